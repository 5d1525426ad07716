#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

// Serial lock files: serial programs lock a device by a small file named after it, LCK..ttyUSB0
// (the name below /dev/ with '/' made '_': /dev/pts/3 is LCK..pts_3), in one of the system's
// lock folders. Those folders are writable by every user, so a file of such a name can be
// anything: it is looked at (capped_file.h) before anything reads it, and read by this program
// itself, to a cap.

// A lock file holds a process number, a program name and a host name: well under this.
inline constexpr qint64 kMaxLockFileBytes = 512;

// The folders a lock file of a device may lie in: those QSerialPort takes its lock in (the first
// of /var/lock, /etc/locks, /var/spool/locks, /var/spool/uucp and the temporary folder that it
// may write), and those other serial programs use (/run/lock, /tmp, /var/tmp). The environment
// variable NVQ_EXTRA_LOCK_FOLDERS (folders separated by ':') adds folders for tests; it cannot
// take one away.
QStringList lockFolders();

// "LCK..ttyUSB0" for /dev/ttyUSB0, "LCK..pts_3" for /dev/pts/3.
QString lockFileName(const QString& device);

// Every path at which QSerialPort's lock of the device (QLockFile) may read a file when the
// device is opened: the lock file in each folder, and the one QLockFile takes while it removes a
// stale lock (the same name with ".rmlock").
QStringList lockFilePaths(const QString& device);

// What a lock file names.
struct LockOwner {
    qint64 pid = 0;
    QString program;  // "" when it names none, or none that may be shown
    QString host;

    bool operator==(const LockOwner&) const = default;
};

// The owner a lock file's bytes name: the process number on the first line (QLockFile writes it
// alone there, other serial programs right-aligned in ten columns), then QLockFile's program and
// host names. nullopt when the first line is no process number.
std::optional<LockOwner> parseLockFile(const QByteArray& bytes);

// A lock-file path of the device at which something lies that is no small regular file, and
// why ("it is a named pipe (FIFO)").
struct UnusableLockFile {
    QString path;
    QString problem;
};
std::optional<UnusableLockFile> unusableLockFile(const QString& device);

// The lock files of the device that could be read (not the ".rmlock" ones), each with the owner
// it names.
struct FoundLockFile {
    QString path;
    std::optional<LockOwner> owner;
};
QList<FoundLockFile> readLockFiles(const QString& device);
