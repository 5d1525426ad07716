#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

// A recording written straight into the file it is named after, as a log: each line goes to the
// system with one write the moment it comes, so after a kill or a crash the file holds every line
// written so far and none cut short. A write that fails (the disk filled up) cuts the file back
// to its last whole line and ends the recording; the file stays with what it holds. Memory does
// not grow with the recording's length. (Documents that must be whole or not at all go through
// writeWholeFile instead.)
class RecordingFile {
  public:
    RecordingFile() = default;
    ~RecordingFile();
    RecordingFile(const RecordingFile&) = delete;
    RecordingFile& operator=(const RecordingFile&) = delete;

    // Creates the file at path, or empties the one there (whoever chose the path has agreed to
    // replace it). The system's reason when it could not be opened; the file is then untouched.
    std::optional<QString> open(const QString& path);
    // Writes the first line, which rows() does not count. On a failure, as append.
    std::optional<QString> writeHeader(const QByteArray& line);
    // Writes one whole line (its line end included). On a failure the file is cut back to its
    // last whole line and closed, and the system's reason comes back.
    std::optional<QString> append(const QByteArray& line);
    // Ends the recording; the file keeps what it holds. The reason when closing failed.
    std::optional<QString> close();

    bool isOpen() const { return fd_ >= 0; }
    QString path() const { return path_; }
    // The lines after the header that the file holds whole.
    qint64 rows() const { return rows_; }

  private:
    std::optional<QString> writeLine(const QByteArray& line);

    int fd_ = -1;
    QString path_;
    qint64 kept_ = 0;  // the bytes of the whole lines in the file
    qint64 rows_ = 0;
};

// What a recording that a failed write ended says, naming the file as the user should read it:
// "Recording stopped: <path>: <reason>; <rows> rows kept".
QString recordingStoppedMessage(const QString& path, const QString& reason, qint64 rows);
