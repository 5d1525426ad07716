#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <optional>

#include "link/network_address.h"
#include "ports/com_assignment.h"
#include "ports/port_inventory.h"

// The COM numbers of this machine as the connection dialog shows them: the inventory's adapters,
// the ports folder's links, and the assignment rule of com_assignment.h applied to both.
class ComPorts {
  public:
    explicit ComPorts(PortInventory& inventory, QString folder = portsFolder());

    // Looks again when the inventory or the ports folder may have changed (always, with force),
    // and gives adapters seen for the first time their numbers. True when what the user sees
    // changed.
    bool refresh(bool force = false);
    const PortsState& state() const { return state_; }
    QString folder() const { return folder_; }
    // What is wrong with the ports folder, for the user ("" when nothing): the list of adapters
    // given no number cannot be read, so that no adapter gets a new number meanwhile.
    QString problem() const { return problem_; }

    // How long giving numbers waits for another program that holds the ports folder.
    int lockWaitMs = 2000;

    // Gives the adapter with this stable path the COM number, or none (0): the links that lead
    // to it now go, and so does a link the number had. Returns why it failed, "" when it worked.
    QString assign(const QString& stablePath, int number);

    // Network ports (network_ports.h). Each looks at the ports folder again under its lock, as
    // another program may have changed it since it was read, and returns why it failed ("" when
    // it worked); nothing is written then.
    // Makes COMn reach the address; the number must still be free (isFree).
    QString addNetwork(int number, const NetworkAddress& address);
    // Removes COMn when it is still a network port's entry.
    QString removeNetwork(int number);
    // Gives the network port COMfrom the number to, which must still be free: the new entry is
    // written first, then the old one removed.
    QString moveNetwork(int from, int to);
    // The numbers a new network port may take now.
    QList<int> freeNumbers() const;

  private:
    QString forget(const QString& stablePath, bool keepUnassigned);
    QByteArray signature();
    void readFolder();
    void giveNumbers();
    QString change(const QString& stablePath, int number);
    template <typename Change>
    QString locked(Change change);
    QString takenReason(int number) const;
    std::optional<NetworkAddress> networkAt(int number) const;

    PortInventory& inventory_;
    QString folder_;
    QByteArray signature_;
    PortsState state_;
    QString problem_;
};
