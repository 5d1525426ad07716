#include "main_window/csv_recorder.h"

#include "link/whole_file.h"

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

CsvRecorder::CsvRecorder() = default;
CsvRecorder::~CsvRecorder() = default;

std::optional<QString> CsvRecorder::start(const QString& path) {
    cancel();
    auto file = std::make_unique<WholeFileWriter>(path);
    if (auto reason = file->open()) {
        return reason;
    }
    if (auto reason = file->append(csvHeader())) {
        return reason;
    }
    file_ = std::move(file);
    path_ = path;
    rows_ = 0;
    return std::nullopt;
}

std::optional<QString> CsvRecorder::add(const PollSample& sample) {
    if (!file_) {
        return std::nullopt;
    }
    if (rows_ == 0) {
        startMs_ = sample.ms;
    }
    if (auto reason = file_->append(csvRow(sample, startMs_))) {
        cancel();
        return reason;
    }
    ++rows_;
    return std::nullopt;
}

std::optional<QString> CsvRecorder::finish() {
    if (!file_) {
        return std::nullopt;
    }
    auto reason = file_->commit();
    file_.reset();
    return reason;
}

void CsvRecorder::cancel() {
    file_.reset();
}
