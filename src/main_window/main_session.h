#pragma once

#include <QString>
#include <functional>
#include <memory>

#include "link/connection_values.h"
#include "link/main_policy.h"
#include "link/serial_port.h"

// One device session of the main window: the connection values, the window's port and its
// exchange policy, the polling state and the busy guard shared by every panel.
class MainSession {
  public:
    MainSession(std::unique_ptr<SerialPort> port, MainLinkHost& host);

    ConnectionValues values;
    bool PausePolling = false;
    int PollStep = 1;
    QString PreviousCommand;
    // True while a handler or a tick runs; a tick that finds it set returns at once.
    bool busy = false;
    // Runs before every exchange of SendReceive (the window's stop key).
    std::function<void()> beforeExchange;

    SerialPort& port() { return *port_; }
    MainPolicy& policy() { return policy_; }
    QString SendReceive(const QString& command) {
        if (beforeExchange) {
            beforeExchange();
        }
        return policy_.SendReceive(command);
    }
    bool ARMode() const { return policy_.ARMode; }
    void setARMode(bool on) { policy_.ARMode = on; }

  private:
    std::unique_ptr<SerialPort> port_;
    MainPolicy policy_;
};

// Marks the session busy for the life of a handler or tick, and restores the previous state, so
// that a handler run from inside a tick (a check box echo) leaves the tick's mark in place.
class BusyScope {
  public:
    explicit BusyScope(bool& flag) : flag_(flag), previous_(flag) { flag_ = true; }
    ~BusyScope() { flag_ = previous_; }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;

  private:
    bool& flag_;
    bool previous_;
};
