#include "ports/network_ports.h"

#include <QDir>
#include <QFileInfo>

#include "files/capped_file.h"
#include "files/visible_text.h"
#include "ports/port_names.h"
#include "ports/ports_folder.h"

namespace {

// An address is at most a scheme, 253 characters of host and a port.
constexpr qint64 kMaxEntryBytes = 512;

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
    const QString path = comEntryPath(folder, number);
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
    return setComFile(folder, number, networkEntryContent(address));
}
