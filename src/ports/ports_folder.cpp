#include "ports/ports_folder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QRandomGenerator>
#include <QSaveFile>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <functional>

#include "files/capped_file.h"
#include "files/visible_text.h"
#include "ports/com_assignment.h"
#include "ports/lock_files.h"
#include "ports/network_ports.h"

namespace {

constexpr qint64 kMaxUnassignedBytes = 64 * 1024;

QString linkPath(const QString& folder, int number) {
    return folder + QStringLiteral("/com%1").arg(number);
}

QString unassignedPath(const QString& folder) {
    return folder + QStringLiteral("/unassigned");
}

QString lockPath(const QString& folder) {
    return folder + QStringLiteral("/.lock");
}

// A name for a new link no other program uses at the same time: the link is made there and
// renamed over comN.
QString freshLinkPath(const QString& folder, int number) {
    return folder + QStringLiteral("/.com%1.%2-%3.new")
                        .arg(QString::number(number),
                             QString::number(QCoreApplication::applicationPid()),
                             QString::number(QRandomGenerator::global()->generate(), 16));
}

QString systemError() {
    return QString::fromLocal8Bit(std::strerror(errno));
}

QString failure(const QString& what, const QString& path, const QString& reason) {
    return QStringLiteral("%1 %2: %3")
        .arg(what, visibleText(QDir::toNativeSeparators(path)), reason);
}

bool isAbsolutePathLine(const QString& line) {
    if (line.isEmpty() || !QDir::isAbsolutePath(line)) {
        return false;
    }
    return std::all_of(line.begin(), line.end(), [](QChar c) { return c.isPrint(); });
}

}  // namespace

QMap<int, ComLink> readComLinks(const QString& folder) {
    QMap<int, ComLink> links;
    for (int number = kFirstComNumber; number <= kLastComNumber; ++number) {
        const QFileInfo entry(linkPath(folder, number));
        if (!entry.isSymLink() && !entry.exists()) {
            continue;
        }
        const QString target = entry.isSymLink() ? entry.symLinkTarget() : entry.filePath();
        if (!entry.isSymLink()) {
            if (const NetworkEntry net = readNetworkEntry(folder, number); net.address) {
                links.insert(number, ComLink{number, target, QString(), net.address->text()});
                continue;
            }
        }
        links.insert(number, ComLink{number, target, entry.canonicalFilePath()});
    }
    return links;
}

bool addComLink(const QString& folder, int number, const QString& target) {
    return QDir().mkpath(folder) && QFile::link(target, linkPath(folder, number));
}

QString comEntryPath(const QString& folder, int number) {
    return linkPath(folder, number);
}

namespace {

// Makes the new entry under a name of its own (make returns why it failed, "" when it worked)
// and renames it over comN: a link there is replaced itself, never what it leads to.
QString replaceEntry(const QString& folder, int number,
                     const std::function<QString(const QString& fresh)>& make) {
    const QString path = linkPath(folder, number);
    if (!QDir().mkpath(folder)) {
        return failure(QStringLiteral("Cannot make the folder"), folder, systemError());
    }
    const QString fresh = freshLinkPath(folder, number);
    if (const QString reason = make(fresh); !reason.isEmpty()) {
        QFile::remove(fresh);
        return failure(QStringLiteral("Cannot write"), fresh, reason);
    }
    if (std::rename(QFile::encodeName(fresh).constData(), QFile::encodeName(path).constData()) !=
        0) {
        const QString reason = systemError();
        QFile::remove(fresh);
        return failure(QStringLiteral("Cannot write"), path, reason);
    }
    return QString();
}

}  // namespace

QString setComLink(const QString& folder, int number, const QString& target) {
    return replaceEntry(folder, number, [&](const QString& fresh) {
        return QFile::link(target, fresh) ? QString() : systemError();
    });
}

QString setComFile(const QString& folder, int number, const QByteArray& content) {
    return replaceEntry(folder, number, [&](const QString& fresh) {
        QFile file(fresh);
        if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly) ||
            file.write(content) != content.size() || !file.flush()) {
            return file.errorString();
        }
        return QString();
    });
}

QString removeComLink(const QString& folder, int number) {
    QFile link(linkPath(folder, number));
    const QFileInfo entry(link.fileName());
    if (!entry.isSymLink() && !entry.exists()) {
        return QString();
    }
    return link.remove()
               ? QString()
               : failure(QStringLiteral("Cannot remove"), link.fileName(), link.errorString());
}

QStringList parseUnassigned(const QByteArray& content) {
    QStringList paths;
    for (QByteArray raw : content.split('\n')) {
        if (raw.endsWith('\r')) {
            raw.chop(1);
        }
        const QString line = QString::fromUtf8(raw);
        if (isAbsolutePathLine(line) && !paths.contains(line)) {
            paths << line;
        }
    }
    return paths;
}

QByteArray unassignedContent(const QStringList& stablePaths) {
    QByteArray content;
    for (const QString& p : stablePaths) {
        content += p.toUtf8() + '\n';
    }
    return content;
}

UnassignedList readUnassigned(const QString& folder) {
    const QString path = unassignedPath(folder);
    const CappedFile file = readCappedFile(path, kMaxUnassignedBytes);
    switch (file.outcome) {
        case CappedFile::Outcome::Read:
            return {parseUnassigned(file.bytes), QString()};
        case CappedFile::Outcome::Missing:
            return {};
        case CappedFile::Outcome::Refused:
            break;
    }
    return {{},
            QStringLiteral("%1 cannot be read: %2. It lists the adapters given no COM number; "
                           "until it is removed, no adapter gets a new number. Remove it:  rm -r "
                           "%3")
                .arg(visibleText(QDir::toNativeSeparators(path)), file.problem,
                     visibleShellWord(path))};
}

QString writeUnassigned(const QString& folder, const QStringList& stablePaths) {
    const QString path = unassignedPath(folder);
    QDir().mkpath(folder);
    QSaveFile file(path);
    const QByteArray content = unassignedContent(stablePaths);
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size() ||
        !file.commit()) {
        return failure(QStringLiteral("Cannot write"), path, file.errorString());
    }
    return QString();
}

namespace {

// Who holds the folder's lock, as its lock file says: " (process 4711)", or "".
QString lockHolderText(const QString& path) {
    const CappedFile file = readCappedFile(path, kMaxLockFileBytes);
    const auto owner =
        file.outcome == CappedFile::Outcome::Read ? parseLockFile(file.bytes) : std::nullopt;
    return owner ? QStringLiteral(" (process %1)").arg(owner->pid) : QString();
}

}  // namespace

PortsFolderLock::PortsFolderLock(const QString& folder, int waitMs) {
    const QString path = lockPath(folder);
    const QString shownFolder = visibleText(QDir::toNativeSeparators(folder));
    if (!QDir().mkpath(folder)) {
        problem_ = failure(QStringLiteral("Cannot make the folder"), folder, systemError());
        return;
    }
    // QLockFile reads a lock file it finds, to tell whether its program is gone.
    if (const auto bad = notASmallFile(path, kMaxLockFileBytes)) {
        problem_ =
            QStringLiteral(
                "The lock of the ports folder, %1, cannot be used: %2. Remove "
                "it:  rm -r %3")
                .arg(visibleText(QDir::toNativeSeparators(path)), *bad, visibleShellWord(path));
        return;
    }
    lock_ = std::make_unique<QLockFile>(path);
    if (lock_->tryLock(waitMs)) {
        return;
    }
    switch (lock_->error()) {
        case QLockFile::LockFailedError:
            problem_ = QStringLiteral(
                           "Another program is changing the COM numbers in %1%2; try "
                           "again in a moment.")
                           .arg(shownFolder, lockHolderText(path));
            break;
        case QLockFile::PermissionError:
            problem_ = failure(QStringLiteral("Cannot write in"), folder,
                               QString::fromLocal8Bit(std::strerror(EACCES)));
            break;
        default:
            problem_ = QStringLiteral("Cannot lock %1.").arg(shownFolder);
            break;
    }
    lock_.reset();
}

PortsFolderLock::~PortsFolderLock() = default;
