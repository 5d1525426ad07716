#pragma once

#include <poll.h>

#include <QByteArray>
#include <QString>
#include <functional>
#include <vector>

// The line of one simulated COM port as the simulator's loop serves it: a pseudo-terminal the
// program opens, or a network listener a client connects to.
class SimLink {
  public:
    // What the loop is to throw away (takePurges), as bits: the devices' answers not yet sent,
    // and what came from the program and the devices have not heard yet.
    enum Purge { kPurgeFromDevices = 1, kPurgeToDevices = 2 };

    virtual ~SimLink() = default;

    virtual int number() const = 0;
    // Makes the line available; throws std::runtime_error on failure.
    virtual void create() = 0;
    // The line goes away (adapter unplugged, server gone) until create() again.
    virtual void vanish() = 0;
    virtual bool alive() const = 0;
    // The descriptors the loop waits on.
    virtual void addPollFds(std::vector<pollfd>& fds) const = 0;
    // Non-blocking; the data bytes that came, empty when none did.
    virtual QByteArray readAvailable() = 0;
    // Hands data bytes to the line; returns how many it took.
    virtual int writeSome(const QByteArray& bytes) = 0;
    // The baud rate the devices hear the line at; 0 when none of them can hear it.
    virtual int baud() const = 0;
    // Where the program finds the line: a link path or a network address.
    virtual QString address() const = 0;
    // The purges due after the data readAvailable() returned (Purge bits).
    virtual int takePurges() { return 0; }

    // Receives events worth a line in the traffic log (a client came or went, bytes dropped).
    std::function<void(const QString&)> note;
};
