#include "ports/lock_files.h"

#include <QStandardPaths>
#include <algorithm>
#include <limits>

#include "files/capped_file.h"
#include "files/visible_text.h"

namespace {

// Process numbers are below 2^22 on Linux; ten digits is what the ten-column form holds.
constexpr qsizetype kMaxPidDigits = 10;

QByteArray withoutLineEnd(QByteArray line) {
    if (line.endsWith('\r')) {
        line.chop(1);
    }
    return line;
}

}  // namespace

QStringList lockFolders() {
    QStringList folders{QStringLiteral("/var/lock"),        QStringLiteral("/etc/locks"),
                        QStringLiteral("/var/spool/locks"), QStringLiteral("/var/spool/uucp"),
                        QStringLiteral("/run/lock"),        QStringLiteral("/tmp"),
                        QStringLiteral("/var/tmp")};
    const QString temp = QStandardPaths::writableLocation(QStandardPaths::TempLocation);
    if (!temp.isEmpty() && !folders.contains(temp)) {
        folders << temp;
    }
    const QString extra = qEnvironmentVariable("NVQ_EXTRA_LOCK_FOLDERS");
    for (const QString& folder : extra.split(QLatin1Char(':'), Qt::SkipEmptyParts)) {
        if (!folders.contains(folder)) {
            folders << folder;
        }
    }
    return folders;
}

QString lockFileName(const QString& device) {
    QString name = device.startsWith(QLatin1String("/dev/")) ? device.mid(5) : device;
    name.replace(QLatin1Char('/'), QLatin1Char('_'));
    return QStringLiteral("LCK..") + name;
}

QStringList lockFilePaths(const QString& device) {
    QStringList paths;
    for (const QString& folder : lockFolders()) {
        const QString path = folder + QLatin1Char('/') + lockFileName(device);
        paths << path << path + QStringLiteral(".rmlock");
    }
    return paths;
}

std::optional<LockOwner> parseLockFile(const QByteArray& bytes) {
    const QList<QByteArray> lines = bytes.split('\n');
    const QByteArray first = withoutLineEnd(lines.value(0)).trimmed();
    if (first.isEmpty() || first.size() > kMaxPidDigits ||
        !std::all_of(first.begin(), first.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        return std::nullopt;
    }
    const qint64 pid = first.toLongLong();
    if (pid <= 0 || pid > std::numeric_limits<qint32>::max()) {
        return std::nullopt;
    }
    return LockOwner{pid, shownName(withoutLineEnd(lines.value(1))),
                     shownName(withoutLineEnd(lines.value(2)))};
}

std::optional<UnusableLockFile> unusableLockFile(const QString& device) {
    for (const QString& path : lockFilePaths(device)) {
        if (const auto problem = notASmallFile(path, kMaxLockFileBytes)) {
            return UnusableLockFile{path, *problem};
        }
    }
    return std::nullopt;
}

QList<FoundLockFile> readLockFiles(const QString& device) {
    QList<FoundLockFile> found;
    for (const QString& folder : lockFolders()) {
        const QString path = folder + QLatin1Char('/') + lockFileName(device);
        const CappedFile file = readCappedFile(path, kMaxLockFileBytes);
        if (file.outcome == CappedFile::Outcome::Read) {
            found << FoundLockFile{path, parseLockFile(file.bytes)};
        }
    }
    return found;
}
