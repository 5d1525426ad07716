#include "ports/port_inventory.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QSerialPortInfo>
#include <algorithm>
#include <utility>

#ifndef Q_OS_WIN
#include <sys/stat.h>
#endif

#include "files/file_stamp.h"

namespace {

constexpr int kMaxTextLength = 128;
constexpr int kMaxFolderEntries = 1024;

// Text from udev or sysfs as the user may see it: no control characters, not endless.
QString cleanText(const QString& text) {
    QString clean;
    for (const QChar c : text.left(kMaxTextLength)) {
        if (c.isPrint()) {
            clean += c;
        }
    }
    return clean.trimmed();
}

// The entries of a folder by name (hidden ones are left out: half-made files), at most a
// sensible number of them.
QFileInfoList folderEntries(const QString& folder) {
    return QDir(folder)
        .entryInfoList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot, QDir::Name)
        .mid(0, kMaxFolderEntries);
}

// The links in a folder by the canonical path each leads to; the first (by name) wins.
QHash<QString, QString> linksByDevice(const QString& folder) {
    QHash<QString, QString> links;
    for (const QFileInfo& entry : folderEntries(folder)) {
        const QString device = entry.canonicalFilePath();
        if (!device.isEmpty() && !links.contains(device)) {
            links.insert(device, entry.absoluteFilePath());
        }
    }
    return links;
}

bool isCharacterDevice(const QString& path) {
#ifdef Q_OS_WIN
    Q_UNUSED(path);
    return false;
#else
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 && S_ISCHR(st.st_mode);
#endif
}

SerialAdapter fromPortInfo(const QSerialPortInfo& info, const QHash<QString, QString>& byId,
                           const QHash<QString, QString>& byPath) {
    SerialAdapter a;
#ifdef Q_OS_WIN
    a.systemLocation = info.portName();  // "COM3", the name the program opens it by
#else
    a.systemLocation = info.systemLocation();
#endif
    a.stablePath = byId.value(a.systemLocation, byPath.value(a.systemLocation, a.systemLocation));
    a.description = cleanText(info.description());
    a.manufacturer = cleanText(info.manufacturer());
    a.serialNumber = cleanText(info.serialNumber());
    if (info.hasVendorIdentifier() && info.hasProductIdentifier()) {
        a.vendorId = info.vendorIdentifier();
        a.productId = info.productIdentifier();
    }
    return a;
}

// The lines offered in the folder: each entry that leads to a character device, named like
// the entry. An entry that leads nowhere is a line that is gone for now.
QList<SerialAdapter> offeredLines(const QString& folder) {
    QList<SerialAdapter> lines;
    for (const QFileInfo& entry : folderEntries(folder)) {
        const QString device = entry.canonicalFilePath();
        const QString name = cleanText(entry.fileName());
        if (!device.isEmpty() && !name.isEmpty() && isCharacterDevice(device)) {
            SerialAdapter a;
            a.systemLocation = device;
            a.stablePath = entry.absoluteFilePath();
            a.description = name;
            lines << a;
        }
    }
    return lines;
}

// The text before the trailing number, and that number (-1 when there is none).
std::pair<QString, qint64> splitNumber(const QString& text) {
    qsizetype digits = text.size();
    while (digits > 0 && text[digits - 1].isDigit() && text.size() - digits < 18) {
        --digits;
    }
    if (digits == text.size()) {
        return {text, -1};
    }
    return {text.left(digits), text.mid(digits).toLongLong()};
}

}  // namespace

bool systemLocationLess(const QString& a, const QString& b) {
    const auto [aStem, aNumber] = splitNumber(a);
    const auto [bStem, bNumber] = splitNumber(b);
    if (aStem != bStem) {
        return aStem < bStem;
    }
    return aNumber != bNumber ? aNumber < bNumber : a < b;
}

SystemPortInventory::SystemPortInventory(QString offeredFolder)
    : offeredFolder_(std::move(offeredFolder)) {}

QString SystemPortInventory::offeredFolder() const {
    return offeredFolder_.isEmpty() ? adaptersFolder() : offeredFolder_;
}

QList<SerialAdapter> SystemPortInventory::adapters() {
    const QHash<QString, QString> byId = linksByDevice(QStringLiteral("/dev/serial/by-id"));
    const QHash<QString, QString> byPath = linksByDevice(QStringLiteral("/dev/serial/by-path"));
    QList<SerialAdapter> found;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
        if (!info.systemLocation().isEmpty()) {
            found << fromPortInfo(info, byId, byPath);
        }
    }
    for (const SerialAdapter& line : offeredLines(offeredFolder())) {
        const auto same = [&line](const SerialAdapter& a) {
            return a.systemLocation == line.systemLocation;
        };
        if (std::none_of(found.begin(), found.end(), same)) {
            found << line;
        }
    }
    std::sort(found.begin(), found.end(), [](const SerialAdapter& a, const SerialAdapter& b) {
        return systemLocationLess(a.systemLocation, b.systemLocation);
    });
    return found;
}

// Adapters come and go as device nodes and udev's links appear and vanish, and offered lines
// as links in their folder: each changes its folder's modification time. Four stat calls.
QByteArray SystemPortInventory::signature() {
#ifdef Q_OS_WIN
    // No folder tells there: look again every five seconds.
    return QByteArray::number(QDateTime::currentSecsSinceEpoch() / 5);
#else
    QByteArray stamp;
    for (const QString& folder : {QStringLiteral("/dev"), QStringLiteral("/dev/serial/by-id"),
                                  QStringLiteral("/dev/serial/by-path"), offeredFolder()}) {
        stamp += modificationStamp(folder) + ';';
    }
    return stamp;
#endif
}
