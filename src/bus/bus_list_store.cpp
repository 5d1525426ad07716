#include "bus/bus_list_store.h"

#include <QDir>
#include <QFileInfo>

#include "files/bus_list_file.h"

BusListStore::BusListStore(const QString& folder, int comPortNumber)
    : path_(QDir(folder.isEmpty() ? QStringLiteral(".") : folder)
                .filePath(busListFileName(comPortNumber))) {}

QString BusListStore::fileName() const {
    return QFileInfo(path_).fileName();
}

std::optional<QStringList> BusListStore::load() {
    const BusList list = readBusList(path_);
    notice_.clear();
    missing_ = false;
    switch (list.outcome) {
        case BusList::Outcome::Missing:
            missing_ = true;
            return std::nullopt;
        case BusList::Outcome::Refused:
            notice_ = QStringLiteral("%1 not used: %2").arg(fileName(), list.problem);
            return std::nullopt;
        case BusList::Outcome::Read:
            break;
    }
    if (list.ids.isEmpty()) {
        missing_ = true;
        return std::nullopt;
    }
    return list.ids;
}

bool BusListStore::save(const QStringList& ids) {
    if (const auto failure = writeBusList(path_, ids)) {
        notice_ = QStringLiteral("%1 not written: %2").arg(fileName(), *failure);
        return false;
    }
    notice_.clear();
    missing_ = false;
    return true;
}
