#include "files/bus_list_file.h"

#include <QSet>

#include "files/capped_file.h"
#include "files/whole_file.h"

QString busListFileName(int comPortNumber) {
    return QStringLiteral("nvq-can-bus-COM%1.txt").arg(comPortNumber);
}

namespace {

bool isListedId(const QByteArray& line) {
    if (line.size() != 2 || line[0] < '0' || line[0] > '9' || line[1] < '0' || line[1] > '9') {
        return false;
    }
    return line != "00";  // the broadcast address is no device
}

BusList refusedList(const QString& problem) {
    return {BusList::Outcome::Refused, {}, problem};
}

}  // namespace

BusList busListFromBytes(const QByteArray& bytes) {
    if (bytes.isEmpty()) {
        return {BusList::Outcome::Read, {}, {}};  // every device was removed
    }
    QList<QByteArray> lines = bytes.split('\n');
    if (lines.size() > 1 && lines.last().isEmpty()) {
        lines.removeLast();  // the end of the last line
    }
    BusList list{BusList::Outcome::Read, {}, {}};
    QSet<QString> seen;
    for (int i = 0; i < lines.size(); ++i) {
        QByteArray line = lines[i];
        if (line.endsWith('\r')) {
            line.chop(1);
        }
        if (!isListedId(line)) {
            return refusedList(QStringLiteral("line %1 is not a device ID 01-99").arg(i + 1));
        }
        const QString id = QString::fromLatin1(line);
        if (seen.contains(id)) {
            return refusedList(QStringLiteral("ID %1 is listed twice").arg(id));
        }
        seen.insert(id);
        list.ids << id;
    }
    return list;
}

QByteArray busListContent(const QStringList& ids) {
    QByteArray bytes;
    for (const QString& id : ids) {
        bytes += id.toLatin1() + "\r\n";
    }
    return bytes;
}

BusList readBusList(const QString& path) {
    const CappedFile file = readCappedFile(path, kBusListMaxBytes);
    switch (file.outcome) {
        case CappedFile::Outcome::Missing:
            return {};
        case CappedFile::Outcome::Refused:
            return refusedList(file.problem);
        case CappedFile::Outcome::Read:
            break;
    }
    return busListFromBytes(file.bytes);
}

std::optional<QString> writeBusList(const QString& path, const QStringList& ids) {
    return writeWholeFile(path, busListContent(ids));
}
