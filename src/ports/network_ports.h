#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

#include "link/network_address.h"

// A COM number may reach a serial line behind a device server on the network. The ports
// folder's entry comN is then a small regular file that holds the address and a line end
// ("rfc2217://cabinet-gw:4001\n") instead of a link to a device, so that the settings file keeps
// "COMn" and both programs reach the same line through the number.

// What comN holds: no address (there is no entry, or it is a link to a device), an address, or
// a file that holds none (why: "it is a named pipe (FIFO)", "it holds no network address: ...").
struct NetworkEntry {
    std::optional<NetworkAddress> address;
    QString problem;
};
NetworkEntry readNetworkEntry(const QString& folder, int number);

// The address in the content of such a file: its first line, CR LF allowed; the problem
// otherwise.
NetworkEntry parseNetworkEntry(const QByteArray& content);
QByteArray networkEntryContent(const NetworkAddress& address);

// What COMn reaches, for the user: the address its entry holds ("rfc2217://gw:4001"), else the
// device it names (port_names.h).
QString portReach(int number);

// Makes comN reach the address, replacing what was there in one step (a new file renamed over
// it). Returns why it failed, "" when it worked.
QString setNetworkEntry(const QString& folder, int number, const NetworkAddress& address);
