#pragma once

#include <QString>
#include <functional>

#include "link/connection_values.h"
#include "link/exchange.h"
#include "link/serial_port.h"

// The parameter window's exchange: refuses while ComStatus is false, treats an empty reply as a
// failure, never re-sends, and reports each failure in a message of its own.
class ParameterPolicy {
  public:
    using Tell = std::function<void(const QString&)>;
    // The line state is the line's, shared with whatever else talks on it.
    ParameterPolicy(SerialPort& port, LineState& line, ConnectionValues& values, Tell tell);

    // Reply payload; "0" after a timeout or an empty reply; "" when refused or the line failed.
    QString SendReceive(const QString& command);

    // The window has opened its port: whatever the line holds belongs to no command.
    void lineOpened() { line_.unsettled = true; }

  private:
    SerialPort& port_;
    ConnectionValues& values_;
    LineState& line_;
    Tell tell_;
};
