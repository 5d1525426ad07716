#pragma once

#include <QString>
#include <deque>
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
    // True while the polling cycle itself sets a control (the enable check boxes): the handler
    // that change runs is part of the tick, not a press.
    bool displaying = false;
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

    // Runs work now when the session is free, else once it is: after the tick or handler under
    // way, in the order it came. Every press goes through here, whatever its source (mouse,
    // keyboard, an accessibility action, a program's click()), so that none is dropped and none
    // starts line traffic in the middle of another's exchanges.
    void runWhenFree(std::function<void()> work);
    // Runs what waits, oldest first, as long as the session stays free.
    void runWaiting();
    // Forgets what waits: a stop was pressed, and a press made before it must not start the axis
    // after it.
    void dropWaiting() { waiting_.clear(); }

  private:
    std::unique_ptr<SerialPort> port_;
    MainPolicy policy_;
    std::deque<std::function<void()>> waiting_;
    bool running_ = false;  // runWaiting() is under way further up the stack
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
