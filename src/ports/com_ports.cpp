#include "ports/com_ports.h"

#include <utility>

#include "files/file_stamp.h"

ComPorts::ComPorts(PortInventory& inventory, QString folder)
    : inventory_(inventory), folder_(std::move(folder)) {}

QByteArray ComPorts::signature() {
    return inventory_.signature() + '|' + modificationStamp(folder_);
}

void ComPorts::readFolder() {
    state_.links = readComLinks(folder_);
    const UnassignedList unassigned = readUnassigned(folder_);
    state_.unassigned = unassigned.stablePaths;
    problem_ = unassigned.problem;
}

bool ComPorts::refresh(bool force) {
    const QByteArray now = signature();
    if (!force && now == signature_) {
        return false;
    }
    const PortsState before = state_;
    const QString problemBefore = problem_;
    state_.adapters = inventory_.adapters();
    readFolder();
    // Adapters the user gave no number cannot be told while that list cannot be read.
    if (problem_.isEmpty() && !newAssignments(state_).isEmpty()) {
        giveNumbers();
    }
    // Taken after the links were made, so that making them does not count as a change.
    signature_ = signature();
    return state_ != before || problem_ != problemBefore;
}

// The folder is read again under its lock: another program may have given numbers since it was
// read last. A folder that cannot be locked or written (read-only home) leaves the adapters
// without numbers; the "Ports..." dialog says why when the user gives one a number.
void ComPorts::giveNumbers() {
    const PortsFolderLock lock(folder_, lockWaitMs);
    if (!lock.held()) {
        return;
    }
    readFolder();
    bool made = false;
    for (const ComLink& link : newAssignments(state_)) {
        made = addComLink(folder_, link.number, link.target) || made;
    }
    if (made) {
        readFolder();
    }
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

// Under the folder's lock, from the folder as it is now: between removing the adapter's old link
// and making its new one, no other program may take it for an adapter without a number.
QString ComPorts::change(const QString& stablePath, int number) {
    const PortsFolderLock lock(folder_, lockWaitMs);
    if (!lock.held()) {
        return lock.problem();
    }
    readFolder();
    if (number == 0 && !problem_.isEmpty()) {
        return problem_;  // writing the list anew would lose what it holds
    }
    QString error = forget(stablePath, number == 0);
    if (error.isEmpty() && number != 0) {
        error = setComLink(folder_, number, stablePath);
    }
    return error;
}

QString ComPorts::assign(const QString& stablePath, int number) {
    refresh(true);
    const QString error = change(stablePath, number);
    refresh(true);
    return error;
}
