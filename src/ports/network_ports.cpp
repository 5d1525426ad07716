#include "ports/network_ports.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "files/capped_file.h"
#include "files/visible_text.h"
#include "ports/port_names.h"

namespace {

// An address is at most a scheme, 253 characters of host and a port.
constexpr qint64 kMaxEntryBytes = 512;

QString entryPath(const QString& folder, int number) {
    return folder + QStringLiteral("/com%1").arg(number);
}

QString entryFailure(const QString& what, const QString& path, const QString& reason) {
    return QStringLiteral("%1 %2: %3")
        .arg(what, visibleText(QDir::toNativeSeparators(path)), reason);
}

}  // namespace

NetworkEntry parseNetworkEntry(const QByteArray& content) {
    QByteArray line = content.left(content.indexOf('\n'));
    if (line.endsWith('\r')) {
        line.chop(1);
    }
    const QString text = QString::fromUtf8(line).trimmed();
    const ParsedAddress parsed = parseNetworkAddress(text);
    if (!parsed.address) {
        return {std::nullopt, QStringLiteral("it holds no network address (%1): %2")
                                  .arg(visibleText(text.left(80)), parsed.problem)};
    }
    return {parsed.address, QString()};
}

QByteArray networkEntryContent(const NetworkAddress& address) {
    return address.text().toUtf8() + '\n';
}

NetworkEntry readNetworkEntry(const QString& folder, int number) {
    const QString path = entryPath(folder, number);
    const QFileInfo entry(path);
    if (entry.isSymLink() || !entry.exists() || entry.isDir()) {
        return {};  // a link leads to a device; a folder is no entry this program made
    }
    const CappedFile file = readCappedFile(path, kMaxEntryBytes);
    switch (file.outcome) {
        case CappedFile::Outcome::Missing:
            return {};
        case CappedFile::Outcome::Refused:
            return {std::nullopt, file.problem};
        case CappedFile::Outcome::Read:
            break;
    }
    return parseNetworkEntry(file.bytes);
}

QString portReach(int number) {
    const NetworkEntry entry = readNetworkEntry(portsFolder(), number);
    return entry.address ? entry.address->text() : QDir::toNativeSeparators(portDevicePath(number));
}

QString setNetworkEntry(const QString& folder, int number, const NetworkAddress& address) {
    if (!QDir().mkpath(folder)) {
        return entryFailure(QStringLiteral("Cannot make the folder"), folder,
                            QString::fromLocal8Bit(std::strerror(errno)));
    }
    const QString path = entryPath(folder, number);
    const QString fresh =
        folder + QStringLiteral("/.com%1.%2-%3.new")
                     .arg(QString::number(number),
                          QString::number(QCoreApplication::applicationPid()),
                          QString::number(QRandomGenerator::global()->generate(), 16));
    QFile file(fresh);
    const QByteArray content = networkEntryContent(address);
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly) ||
        file.write(content) != content.size() || !file.flush()) {
        const QString reason = file.errorString();
        file.remove();
        return entryFailure(QStringLiteral("Cannot write"), fresh, reason);
    }
    file.close();
    // Renamed over comN, which may be a link: the link itself is replaced, never its device.
    if (std::rename(QFile::encodeName(fresh).constData(), QFile::encodeName(path).constData()) !=
        0) {
        const QString reason = QString::fromLocal8Bit(std::strerror(errno));
        QFile::remove(fresh);
        return entryFailure(QStringLiteral("Cannot write"), path, reason);
    }
    return QString();
}
