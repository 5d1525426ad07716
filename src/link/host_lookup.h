#pragma once

#include <QHostAddress>
#include <QList>
#include <QString>
#include <functional>

// Looking a device server's host name up, within a time limit: a name server that never answers
// would otherwise hold the line's thread for as long as the system's resolver cares to wait.
struct HostLookup {
    enum class Outcome { Found, NotFound, TimedOut };
    Outcome outcome = Outcome::NotFound;
    QList<QHostAddress> addresses;  // Found: IPv4 first
};

// An IP address is taken as it is; a name is looked up by the system in a thread of its own,
// which is left to finish by itself when it takes longer than timeoutMs.
HostLookup lookUpHost(const QString& host, int timeoutMs);

// The lookup a network port uses; tests give one that answers without asking any name server.
using HostResolver = std::function<HostLookup(const QString& host, int timeoutMs)>;
