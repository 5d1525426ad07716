#include "link/ports_folder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "link/com_assignment.h"

namespace {

constexpr qint64 kMaxUnassignedBytes = 64 * 1024;

QString linkPath(const QString& folder, int number) {
    return folder + QStringLiteral("/com%1").arg(number);
}

QString unassignedPath(const QString& folder) {
    return folder + QStringLiteral("/unassigned");
}

QString systemError() {
    return QString::fromLocal8Bit(std::strerror(errno));
}

QString failure(const QString& what, const QString& path, const QString& reason) {
    return QStringLiteral("%1 %2: %3").arg(what, QDir::toNativeSeparators(path), reason);
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
        links.insert(number, ComLink{number, target, entry.canonicalFilePath()});
    }
    return links;
}

bool addComLink(const QString& folder, int number, const QString& target) {
    return QDir().mkpath(folder) && QFile::link(target, linkPath(folder, number));
}

QString setComLink(const QString& folder, int number, const QString& target) {
    const QString path = linkPath(folder, number);
    if (!QDir().mkpath(folder)) {
        return failure(QStringLiteral("Cannot make the folder"), folder, systemError());
    }
    const QString fresh = folder + QStringLiteral("/.com%1.new").arg(number);
    QFile::remove(fresh);
    if (!QFile::link(target, fresh)) {
        return failure(QStringLiteral("Cannot write"), fresh, systemError());
    }
    if (std::rename(QFile::encodeName(fresh).constData(), QFile::encodeName(path).constData()) !=
        0) {
        const QString reason = systemError();
        QFile::remove(fresh);
        return failure(QStringLiteral("Cannot write"), path, reason);
    }
    return QString();
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

QStringList readUnassigned(const QString& folder) {
    QFile file(unassignedPath(folder));
    if (!file.open(QIODevice::ReadOnly) || file.size() > kMaxUnassignedBytes) {
        return {};
    }
    QStringList paths;
    for (const QByteArray& raw : file.read(kMaxUnassignedBytes).split('\n')) {
        const QString line = QString::fromUtf8(raw);
        if (isAbsolutePathLine(line) && !paths.contains(line)) {
            paths << line;
        }
    }
    return paths;
}

QString writeUnassigned(const QString& folder, const QStringList& stablePaths) {
    const QString path = unassignedPath(folder);
    QDir().mkpath(folder);
    QSaveFile file(path);
    QByteArray content;
    for (const QString& p : stablePaths) {
        content += p.toUtf8() + '\n';
    }
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size() ||
        !file.commit()) {
        return failure(QStringLiteral("Cannot write"), path, file.errorString());
    }
    return QString();
}
