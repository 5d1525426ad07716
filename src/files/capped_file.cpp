#include "files/capped_file.h"

#include <QFile>
#include <cerrno>
#include <cstring>

#ifndef Q_OS_WIN
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

CappedFile refused(const QString& problem) {
    return {CappedFile::Outcome::Refused, QByteArray(), problem};
}

QString tooLarge(qint64 size, qint64 maxBytes) {
    return QStringLiteral("it holds %1 bytes, more than the %2 such a file may hold")
        .arg(QString::number(size), QString::number(maxBytes));
}

}  // namespace

#ifdef Q_OS_WIN

// No named pipes or device files among a folder's entries there: the size is the risk.
std::optional<QString> notASmallFile(const QString& path, qint64 maxBytes) {
    QFile file(path);
    if (!file.exists() || file.size() <= maxBytes) {
        return std::nullopt;
    }
    return tooLarge(file.size(), maxBytes);
}

CappedFile readCappedFile(const QString& path, qint64 maxBytes) {
    QFile file(path);
    if (!file.exists()) {
        return {};
    }
    if (const auto problem = notASmallFile(path, maxBytes)) {
        return refused(*problem);
    }
    if (!file.open(QIODevice::ReadOnly)) {
        return refused(QStringLiteral("it cannot be read: %1").arg(file.errorString()));
    }
    const QByteArray bytes = file.read(maxBytes + 1);
    if (bytes.size() > maxBytes) {
        return refused(tooLarge(bytes.size(), maxBytes));
    }
    return {CappedFile::Outcome::Read, bytes, QString()};
}

#else

namespace {

QString systemReason(int error) {
    return QStringLiteral("it cannot be read: %1")
        .arg(QString::fromLocal8Bit(std::strerror(error)));
}

std::optional<QString> entryProblem(const struct stat& st, qint64 maxBytes) {
    if (S_ISFIFO(st.st_mode)) {
        return QStringLiteral("it is a named pipe (FIFO)");
    }
    if (S_ISLNK(st.st_mode)) {
        return QStringLiteral("it is a symbolic link");
    }
    if (S_ISDIR(st.st_mode)) {
        return QStringLiteral("it is a folder");
    }
    if (S_ISCHR(st.st_mode) || S_ISBLK(st.st_mode)) {
        return QStringLiteral("it is a device");
    }
    if (S_ISSOCK(st.st_mode)) {
        return QStringLiteral("it is a socket");
    }
    if (!S_ISREG(st.st_mode)) {
        return QStringLiteral("it is no ordinary file");
    }
    if (st.st_size > maxBytes) {
        return tooLarge(st.st_size, maxBytes);
    }
    return std::nullopt;
}

// Up to maxBytes + 1 bytes, so that a file that grew since it was looked at shows as too large.
CappedFile readUpTo(int fd, qint64 maxBytes) {
    QByteArray bytes(maxBytes + 1, Qt::Uninitialized);
    qint64 total = 0;
    while (total < bytes.size()) {
        const ssize_t n =
            ::read(fd, bytes.data() + total, static_cast<size_t>(bytes.size() - total));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            return refused(systemReason(errno));
        }
        if (n == 0) {
            break;
        }
        total += n;
    }
    if (total > maxBytes) {
        return refused(tooLarge(total, maxBytes));
    }
    bytes.truncate(total);
    return {CappedFile::Outcome::Read, bytes, QString()};
}

// What was opened is looked at again before a byte is read: the entry may have been swapped
// since the look.
CappedFile readOpened(int fd, qint64 maxBytes) {
    struct stat opened {};
    if (::fstat(fd, &opened) != 0) {
        return refused(systemReason(errno));
    }
    if (const auto problem = entryProblem(opened, maxBytes)) {
        return refused(*problem);
    }
    return readUpTo(fd, maxBytes);
}

}  // namespace

std::optional<QString> notASmallFile(const QString& path, qint64 maxBytes) {
    struct stat st {};
    if (::lstat(QFile::encodeName(path).constData(), &st) != 0) {
        return std::nullopt;
    }
    return entryProblem(st, maxBytes);
}

CappedFile readCappedFile(const QString& path, qint64 maxBytes) {
    const QByteArray name = QFile::encodeName(path);
    struct stat seen {};
    if (::lstat(name.constData(), &seen) != 0) {
        return errno == ENOENT || errno == ENOTDIR ? CappedFile{} : refused(systemReason(errno));
    }
    if (const auto problem = entryProblem(seen, maxBytes)) {
        return refused(*problem);
    }
    // O_NOFOLLOW refuses a link put in the entry's place since the look, O_NONBLOCK keeps a
    // named pipe from blocking the open.
    const int fd =
        ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        return errno == ENOENT  ? CappedFile{}
               : errno == ELOOP ? refused(QStringLiteral("it is a symbolic link"))
                                : refused(systemReason(errno));
    }
    const CappedFile read = readOpened(fd, maxBytes);
    ::close(fd);
    return read;
}

#endif
