#include "saved_files.h"

#include "device/parameter_file.h"
#include "files/settings_file.h"
#include "files/terminal_text_file.h"
#include "monitor/csv_recorder.h"

namespace {

const SerialChoices kChoices{"COM12", "57600", "23"};

ParameterFileValues parameters() {
    ParameterFileValues v;
    v.polarity = 497;
    v.LCA = "300";
    v.runCurrent = "2000";
    v.deviceId = "23";
    return v;
}

// A terminal log of a few megabytes: long enough that its save is a real stretch of writing.
QString log() {
    const QString line = QStringLiteral(">@01PX\r\n<123456\r\n");
    return line.repeated(4 * 1024 * 1024 / line.size());
}

// A recording of some 150,000 samples, a few megabytes.
constexpr int kRecordedSamples = 150000;

bool saveRecording(const QString& path) {
    CsvRecorder recorder;
    if (recorder.start(path)) {
        return false;
    }
    for (const PollSample& s : recordedSamples(kRecordedSamples)) {
        if (recorder.add(s)) {
            return false;
        }
    }
    return !recorder.finish();
}

}  // namespace

std::vector<PollSample> recordedSamples(int count) {
    std::vector<PollSample> samples(count);
    for (int i = 0; i < count; ++i) {
        PollSample& s = samples[i];
        s.ms = 10 * i;
        s.take(PollSample::Position, QString::number(i * 7));
        s.take(PollSample::Encoder, QString::number(i * 7 - 3));
        s.take(PollSample::Speed, QString::number(-1500 + i % 3000));
        s.take(PollSample::Status, QString::number(i % 1024));
    }
    return samples;
}

QByteArray recordingContent(int count) {
    QByteArray content = csvHeader();
    for (const PollSample& s : recordedSamples(count)) {
        content += csvRow(s, 0);
    }
    return content;
}

bool saveKind(const QString& kind, const QString& path) {
    QString error;
    return kind == "settings"     ? writeSettingsFile(path, kChoices)
           : kind == "parameters" ? !saveParameterFile(path, parameters())
           : kind == "recording"  ? saveRecording(path)
                                  : kind == "terminal" && saveTerminalText(path, log(), error);
}

QByteArray kindContent(const QString& kind) {
    return kind == "settings"     ? settingsContent(kChoices)
           : kind == "parameters" ? writeParameterFile(parameters())
           : kind == "recording"  ? recordingContent(kRecordedSamples)
                                  : terminalFileContent(log());
}

QByteArray wholeLinesWithin(const QByteArray& content, qint64 room) {
    if (room <= 0) {
        return {};
    }
    // The last line end among the first room bytes (-1 when there is none).
    const qsizetype lastEnd = content.lastIndexOf('\n', std::min<qint64>(room, content.size()) - 1);
    return content.left(lastEnd + 1);
}
