#include "monitor/csv_recorder.h"

#include <QDir>

QByteArray csvHeader() {
    return "time_ms,position,encoder,speed,status,inputs,outputs\r\n";
}

QByteArray csvRow(const PollSample& sample, qint64 startMs) {
    QByteArray row = QByteArray::number(sample.ms - startMs);
    for (int f = 0; f < PollSample::kFields; ++f) {
        row += ',';
        if (const auto v = sample.value(static_cast<PollSample::Field>(f))) {
            row += QByteArray::number(*v);
        }
    }
    return row + "\r\n";
}

std::optional<QString> CsvRecorder::start(const QString& path) {
    if (const auto reason = file_.open(path)) {
        return QStringLiteral("Recording failed, nothing saved: %1: %2")
            .arg(QDir::toNativeSeparators(path), *reason);
    }
    return stopped(file_.writeHeader(csvHeader()));
}

std::optional<QString> CsvRecorder::add(const PollSample& sample) {
    if (!file_.isOpen()) {
        return std::nullopt;
    }
    if (file_.rows() == 0) {
        startMs_ = sample.ms;
    }
    return stopped(file_.append(csvRow(sample, startMs_)));
}

std::optional<QString> CsvRecorder::finish() {
    return stopped(file_.close());
}

std::optional<QString> CsvRecorder::stopped(const std::optional<QString>& reason) const {
    if (!reason) {
        return std::nullopt;
    }
    return recordingStoppedMessage(QDir::toNativeSeparators(file_.path()), *reason, file_.rows());
}
