#pragma once

#include <QByteArray>
#include <QSaveFile>
#include <QString>
#include <optional>

// Replaces the file at path with bytes, whole or not at all: the bytes go to a temporary file in
// the same folder, which is renamed over the old file only once everything reached it. A failure
// at any point (the folder refuses the file, the disk is full, the program dies half-way) leaves
// an existing file as it was. Returns the system's reason when the file was not replaced.
std::optional<QString> writeWholeFile(const QString& path, const QByteArray& bytes);

// The same for a file written in pieces over time (a recording): each piece goes through to the
// temporary file at once, so that a full disk shows at the piece that met it, and the file
// replaces the old one only at commit. A writer destroyed without a commit, or after a failure,
// leaves no trace of the new file. Each step returns the system's reason when it failed; after a
// failure nothing more is written and commit fails.
class WholeFileWriter {
  public:
    explicit WholeFileWriter(const QString& path);

    std::optional<QString> open();
    std::optional<QString> append(const QByteArray& bytes);
    std::optional<QString> commit();

  private:
    std::optional<QString> failed();

    QSaveFile file_;
    bool failed_ = false;
};
