#pragma once

#include <QString>
#include <memory>
#include <optional>

#include "link/connection_values.h"
#include "link/parameter_policy.h"
#include "link/serial_port.h"

class Prompter;

// The setup window's hold on the device: its connection values, its own port and its
// SendReceive, and the user's message boxes. Upload, download and store all run through it.
class SetupSession {
  public:
    SetupSession(std::unique_ptr<SerialPort> port, Prompter& prompter);

    ConnectionValues values;

    SerialPort& port() { return *port_; }
    ParameterPolicy& policy() { return policy_; }
    Prompter& prompter() { return prompter_; }

    // The window's exchange: refuses while ComStatus is false and reports its own failures.
    QString SendReceive(const QString& command) { return policy_.SendReceive(command); }

    // The two tests every device operation starts with; false after telling the user why.
    bool ready();

    // One exchange whose reply the operation uses; nothing when it failed. The exchange has
    // then told the user why: the device did not answer (ComStatus is now false) or the line
    // failed. A failed line ends the operation too: going on would fill every control with
    // the empty text, or report a download that never reached the device as done.
    std::optional<QString> request(const QString& command);

    // A reply the operation cannot use: tells "Communication Error" and gives up on the device.
    void unusableReply();

    void tell(const QString& text);
    bool confirm(const QString& text, const QString& title);

  private:
    std::unique_ptr<SerialPort> port_;
    Prompter& prompter_;
    ParameterPolicy policy_;
};
