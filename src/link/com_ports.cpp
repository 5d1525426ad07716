#include "link/com_ports.h"

#include <utility>

#include "link/file_stamp.h"

ComPorts::ComPorts(PortInventory& inventory, QString folder)
    : inventory_(inventory), folder_(std::move(folder)) {}

QByteArray ComPorts::signature() {
    return inventory_.signature() + '|' + modificationStamp(folder_);
}

void ComPorts::readFolder() {
    state_.links = readComLinks(folder_);
    state_.unassigned = readUnassigned(folder_);
}

bool ComPorts::refresh(bool force) {
    const QByteArray now = signature();
    if (!force && now == signature_) {
        return false;
    }
    const PortsState before = state_;
    state_.adapters = inventory_.adapters();
    readFolder();
    bool made = false;
    for (const ComLink& link : newAssignments(state_)) {
        // A folder that cannot be written (read-only home) leaves the adapter without a number;
        // the "Ports..." dialog says why when the user gives it one.
        made = addComLink(folder_, link.number, link.target) || made;
    }
    if (made) {
        readFolder();
    }
    // Taken after the links were made, so that making them does not count as a change.
    signature_ = signature();
    return state_ != before;
}

QString ComPorts::forget(const QString& stablePath, bool keepUnassigned) {
    // An adapter that is unplugged is known by its stable path alone.
    SerialAdapter adapter;
    adapter.stablePath = stablePath;
    for (const SerialAdapter& a : state_.adapters) {
        if (a.stablePath == stablePath) {
            adapter = a;
        }
    }
    for (const ComLink& link : std::as_const(state_.links)) {
        if (!leadsTo(link, adapter)) {
            continue;
        }
        if (const QString error = removeComLink(folder_, link.number); !error.isEmpty()) {
            return error;
        }
    }
    QStringList unassigned = state_.unassigned;
    unassigned.removeAll(stablePath);
    if (keepUnassigned) {
        unassigned << stablePath;
    }
    return unassigned == state_.unassigned ? QString() : writeUnassigned(folder_, unassigned);
}

QString ComPorts::assign(const QString& stablePath, int number) {
    refresh(true);
    QString error = forget(stablePath, number == 0);
    if (error.isEmpty() && number != 0) {
        error = setComLink(folder_, number, stablePath);
    }
    refresh(true);
    return error;
}
