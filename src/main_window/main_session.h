#pragma once

#include <QString>
#include <functional>
#include <memory>

#include "device/main_policy.h"
#include "link/connection_values.h"
#include "link/serial_port.h"
#include "widgets/press_queue.h"

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

    // Every press goes through here, whatever its source (mouse, keyboard, an accessibility
    // action, a program's click()), so that none is dropped and none starts line traffic in the
    // middle of a tick's or another handler's exchanges.
    PressQueue presses{busy};

  private:
    std::unique_ptr<SerialPort> port_;
    MainPolicy policy_;
};
