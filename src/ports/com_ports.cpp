#include "ports/com_ports.h"

#include <utility>

#include "files/file_stamp.h"
#include "ports/network_ports.h"

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

// Under the folder's lock, from the folder as it is now, and looked at again afterwards.
template <typename Change>
QString ComPorts::locked(Change change) {
    refresh(true);
    QString error;
    {
        const PortsFolderLock lock(folder_, lockWaitMs);
        if (lock.held()) {
            readFolder();
            error = change();
        } else {
            error = lock.problem();
        }
    }
    refresh(true);
    return error;
}

QString ComPorts::takenReason(int number) const {
    if (number < kFirstComNumber || number > kLastComNumber) {
        return QStringLiteral("There is no COM%1: the numbers go from %2 to %3.")
            .arg(number)
            .arg(kFirstComNumber)
            .arg(kLastComNumber);
    }
    if (isFree(state_, number)) {
        return QString();
    }
    return QStringLiteral("COM%1 is not free any more: it reaches %2.")
        .arg(QString::number(number), comReach(state_, number));
}

std::optional<NetworkAddress> ComPorts::networkAt(int number) const {
    const auto link = state_.links.find(number);
    if (link == state_.links.end() || link->network.isEmpty()) {
        return std::nullopt;
    }
    return parseNetworkAddress(link->network).address;
}

QString ComPorts::addNetwork(int number, const NetworkAddress& address) {
    return locked([&] {
        const QString taken = takenReason(number);
        return taken.isEmpty() ? setNetworkEntry(folder_, number, address) : taken;
    });
}

QString ComPorts::removeNetwork(int number) {
    return locked([&] {
        if (!networkAt(number)) {
            return QStringLiteral("COM%1 is no network port any more: it reaches %2.")
                .arg(QString::number(number), comReach(state_, number));
        }
        return removeComLink(folder_, number);
    });
}

QString ComPorts::moveNetwork(int from, int to) {
    return locked([&] {
        const std::optional<NetworkAddress> address = networkAt(from);
        if (!address) {
            return QStringLiteral("COM%1 is no network port any more: it reaches %2.")
                .arg(QString::number(from), comReach(state_, from));
        }
        if (const QString taken = takenReason(to); !taken.isEmpty()) {
            return taken;
        }
        if (const QString error = setNetworkEntry(folder_, to, *address); !error.isEmpty()) {
            return error;
        }
        // Never two numbers for one port: when the old entry stays, the new one goes again.
        if (const QString error = removeComLink(folder_, from); !error.isEmpty()) {
            removeComLink(folder_, to);
            return error;
        }
        return QString();
    });
}

QList<int> ComPorts::freeNumbers() const {
    QList<int> free;
    for (int number = kFirstComNumber; number <= kLastComNumber; ++number) {
        if (isFree(state_, number)) {
            free << number;
        }
    }
    return free;
}
