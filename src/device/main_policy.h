#pragma once

#include <QString>

#include "link/connection_values.h"
#include "link/exchange.h"
#include "link/serial_port.h"

// What the main window shows when its exchange fails. Implemented by the main window.
class MainLinkHost {
  public:
    virtual ~MainLinkHost() = default;
    virtual void tell(const QString& message) = 0;
    // "No Communication" on red; identity and version "???"; sync "=" and position "0".
    virtual void showNoCommunication() = 0;
    // "Invalid Port" on grey; the device ID list shows ComAddress; identity and version "???";
    // sync "=" and position "0".
    virtual void showInvalidPort() = 0;
};

// The main window's exchange: one re-send in auto-response mode, "0" and the no-communication
// display when the device is silent, the port-failure path when the line fails.
class MainPolicy {
  public:
    MainPolicy(SerialPort& port, ConnectionValues& values, MainLinkHost& host);
    // On a line whose state lives elsewhere (a line engine's).
    MainPolicy(SerialPort& port, LineState& line, ConnectionValues& values, MainLinkHost& host);

    bool ARMode = false;

    // Reply payload; "0" when the device is silent; "" after a port failure. Once the port has
    // been given up (ComPortStatus false) nothing is written and "" comes back at once.
    QString SendReceive(const QString& command);

    // The line failed under the window (an exchange, or the terminal pane's own reading): the
    // user is told "Communication Error! " with the reason, then the port is given up.
    void portFailed(const QString& description);

    // The port cannot be used (start-up open failed, or a failure during an exchange after its
    // own message): flags cleared, "Invalid Port" shown, the user told, the port closed.
    void portUnavailable();

    // The window has (re)opened its port: whatever the line holds belongs to no command.
    void lineOpened() { line_.unsettled = true; }
    const LineState& line() const { return line_; }
    // For the terminal pane, which reads its replies itself but shares the line's state.
    LineState& line() { return line_; }
    // The last SendReceive got a reply (as opposed to silence or a port failure).
    bool lastAnswered() const { return lastAnswered_; }

  private:
    SerialPort& port_;
    ConnectionValues& values_;
    MainLinkHost& host_;
    LineState own_;
    LineState& line_;
    bool lastAnswered_ = false;
};
