#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

// Files in folders that other users, or other programs, may fill (the lock folders, the ports
// folder, /proc). A named pipe there blocks whoever opens it for reading, a link to /dev/zero
// or a huge file is read without end: such a file is looked at without following a link and
// without blocking, taken only when it is a regular file, and read to a cap.

// Why the entry at path cannot be a regular file of at most maxBytes, from lstat alone
// (nothing is opened, a link is not followed): "it is a named pipe (FIFO)", "it is a symbolic
// link", ... nullopt when it can be one, or when there is nothing of that name.
std::optional<QString> notASmallFile(const QString& path, qint64 maxBytes);

struct CappedFile {
    enum class Outcome { Read, Missing, Refused };
    Outcome outcome = Outcome::Missing;
    QByteArray bytes;  // Read: the whole file
    QString problem;   // Refused: why, as notASmallFile says it or the system's reason
};

// Reads the regular file at path whole, when it holds at most maxBytes. A link, a named pipe, a
// device, a folder or a larger file is refused without being read; the open never blocks.
CappedFile readCappedFile(const QString& path, qint64 maxBytes);
