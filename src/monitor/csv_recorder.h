#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

#include "files/recording_file.h"
#include "monitor/poll_feed.h"

// The first line of a recording.
QByteArray csvHeader();
// One sample as a CSV line: its time in milliseconds since startMs, then position, encoder,
// speed, status word, inputs and outputs in decimal; a value not known yet is an empty field.
QByteArray csvRow(const PollSample& sample, qint64 startMs);

// Writes polled samples to a CSV file, one row the moment each comes (see RecordingFile): after
// a kill, a crash or a full disk the file holds every row written, none cut short.
class CsvRecorder {
  public:
    // Starts a recording into path, header first. On a failure, what to tell the user: the file
    // could not be opened (it is untouched), or the header did not fit (it is kept empty).
    std::optional<QString> start(const QString& path);
    // Writes the sample's row; the first sample's time counts as 0. On a failure the recording
    // stops with the rows written before, and what to tell the user comes back.
    std::optional<QString> add(const PollSample& sample);
    // Ends the recording; the file keeps its rows. What to tell the user when closing failed.
    std::optional<QString> finish();

    bool recording() const { return file_.isOpen(); }
    QString path() const { return file_.path(); }
    qint64 rows() const { return file_.rows(); }

  private:
    std::optional<QString> stopped(const std::optional<QString>& reason) const;

    RecordingFile file_;
    qint64 startMs_ = 0;
};
