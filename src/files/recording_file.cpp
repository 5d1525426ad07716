#include "files/recording_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <QtGlobal>
#include <algorithm>
#include <cerrno>

#ifdef Q_OS_WIN
#include <io.h>
#else
#include <unistd.h>
#include <QFile>
#endif

namespace {

// The few file calls the recording needs, on the system's own descriptors: no buffer of ours
// stands between a row and the system, so a row is on its way to the disk as soon as it is
// written, and the file can be cut back to an exact length.
#ifdef Q_OS_WIN
int openFile(const QString& path) {
    return _wopen(reinterpret_cast<const wchar_t*>(path.utf16()),
                  _O_WRONLY | _O_CREAT | _O_TRUNC | _O_BINARY | _O_NOINHERIT, _S_IREAD | _S_IWRITE);
}
qint64 writeSome(int fd, const char* bytes, qint64 size) {
    return _write(fd, bytes, unsigned(std::min<qint64>(size, 1 << 30)));
}
bool cutTo(int fd, qint64 size) {
    return _chsize_s(fd, size) == 0;
}
bool closeFile(int fd) {
    return _close(fd) == 0;
}
#else
int openFile(const QString& path) {
    return ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC,
                  0666);
}
qint64 writeSome(int fd, const char* bytes, qint64 size) {
    return ::write(fd, bytes, size_t(size));
}
bool cutTo(int fd, qint64 size) {
    return ::ftruncate(fd, off_t(size)) == 0;
}
bool closeFile(int fd) {
    return ::close(fd) == 0;
}
#endif

// Writes all of bytes; the system's error number when that failed. A line normally goes in one
// write. A write that got only part of the way (the disk filled up in the middle) says no reason:
// going on with the rest either finishes the line (there was room after all) or fails at once
// with the reason. Interrupted writes are tried again, a bounded number of times.
std::optional<int> writeAll(int fd, const QByteArray& bytes) {
    constexpr int kTries = 16;
    qint64 done = 0;
    for (int tries = 0; done < bytes.size(); ++tries) {
        if (tries == kTries) {
            return EIO;
        }
        const qint64 written = writeSome(fd, bytes.constData() + done, bytes.size() - done);
        if (written > 0) {
            done += written;
        } else if (written < 0 && errno != EINTR) {
            return errno;
        }
    }
    return std::nullopt;
}

}  // namespace

RecordingFile::~RecordingFile() {
    close();
}

std::optional<QString> RecordingFile::open(const QString& path) {
    close();
    const int fd = openFile(path);
    if (fd < 0) {
        return qt_error_string(errno);
    }
    fd_ = fd;
    path_ = path;
    kept_ = 0;
    rows_ = 0;
    return std::nullopt;
}

std::optional<QString> RecordingFile::writeHeader(const QByteArray& line) {
    return writeLine(line);
}

std::optional<QString> RecordingFile::append(const QByteArray& line) {
    if (auto reason = writeLine(line)) {
        return reason;
    }
    ++rows_;
    return std::nullopt;
}

std::optional<QString> RecordingFile::writeLine(const QByteArray& line) {
    if (fd_ < 0) {
        return qt_error_string(EBADF);
    }
    const auto error = writeAll(fd_, line);
    if (!error) {
        kept_ += line.size();
        return std::nullopt;
    }
    QString reason = qt_error_string(*error);
    // The part of the line that reached the file goes, so that the file ends on a whole line.
    if (!cutTo(fd_, kept_)) {
        reason += QStringLiteral(", and the unfinished last line stays: ") + qt_error_string(errno);
    }
    closeFile(fd_);
    fd_ = -1;
    return reason;
}

std::optional<QString> RecordingFile::close() {
    if (fd_ < 0) {
        return std::nullopt;
    }
    const bool closed = closeFile(fd_);
    fd_ = -1;
    return closed ? std::nullopt : std::optional(qt_error_string(errno));
}

QString recordingStoppedMessage(const QString& path, const QString& reason, qint64 rows) {
    // One arg() for all three, so that a path holding "%1" is shown as it is.
    return QStringLiteral("Recording stopped: %1: %2; %3 rows kept")
        .arg(path, reason, QString::number(rows));
}
