#pragma once

#include <QByteArray>
#include <QString>
#include <memory>
#include <optional>

#include "main_window/poll_feed.h"

class WholeFileWriter;

// The first line of a recording.
QByteArray csvHeader();
// One sample as a CSV line: its time in milliseconds since startMs, then position, encoder,
// speed, status word, inputs and outputs in decimal; a value not known yet is an empty field.
QByteArray csvRow(const PollSample& sample, qint64 startMs);

// Streams polled samples to a CSV file, row by row, as they come. The file appears at its path
// only when the recording is finished whole: until then, and for good after a failed write (the
// disk filled up), an old file of that name stays as it was. Memory does not grow with the
// recording's length.
class CsvRecorder {
  public:
    CsvRecorder();
    ~CsvRecorder();

    // Starts a recording into path, header first; the system's reason when that failed.
    std::optional<QString> start(const QString& path);
    // Writes the sample's row; the first sample's time counts as 0. On a failure the recording
    // ends without a file and the reason comes back.
    std::optional<QString> add(const PollSample& sample);
    // Ends the recording and puts the file in place; the reason when that failed.
    std::optional<QString> finish();
    // Ends the recording without a file.
    void cancel();

    bool recording() const { return file_ != nullptr; }
    QString path() const { return path_; }
    qint64 rows() const { return rows_; }

  private:
    std::unique_ptr<WholeFileWriter> file_;
    QString path_;
    qint64 rows_ = 0;
    qint64 startMs_ = 0;
};
