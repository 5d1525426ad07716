#pragma once

#include <QString>
#include <QStringList>
#include <memory>
#include <optional>

#include "device/device_reporter.h"
#include "device/parameter_policy.h"
#include "link/connection_values.h"
#include "link/serial_port.h"

// One line to devices, held for parameter work: its connection values (the device ID in use is
// ComAddress), its port, the parameter window's SendReceive over it, and the reporter the
// operations speak through. The command line keeps one per port, owning the port and the line's
// state, and points ComAddress at each device in turn, so that all of them share the line's one
// LineState. The parameter window's jobs keep one on their line engine's port and line state,
// used in the engine's thread only.
class DeviceSession {
  public:
    DeviceSession(std::unique_ptr<SerialPort> port, DeviceReporter& reporter);
    DeviceSession(SerialPort& port, LineState& line, DeviceReporter& reporter);

    ConnectionValues values;

    SerialPort& port() { return port_; }
    ParameterPolicy& policy() { return policy_; }
    DeviceReporter& reporter() { return reporter_; }

    // Opens the port at ComPortNumber and Baudrate with the windows' opening order; the line may
    // then hold anything, so the first exchange lets it fall quiet. The platform's reason when
    // it cannot be opened.
    std::optional<QString> openLine();
    // Closes the port if it is open; a port that is gone is closed already.
    void closeLine();

    // Points the session at a device on the line and counts it as answering until an exchange
    // says otherwise; forgets the commands of the device before.
    void selectDevice(const QString& id);

    // The window's exchange: refuses while ComStatus is false and reports its own failures.
    QString SendReceive(const QString& command) { return policy_.SendReceive(command); }

    // The two tests every device operation starts with; false after telling the user why.
    bool ready();

    // One exchange whose reply the operation uses; nothing when it failed. The exchange has
    // then told the user why: the device did not answer (ComStatus is now false) or the line
    // failed. A failed line ends the operation too: going on would fill every value with the
    // empty text, or report a download that never reached the device as done.
    std::optional<QString> request(const QString& command);

    // A reply the operation cannot use: tells "Communication Error" and gives up on the device.
    void unusableReply();
    // The last reply means this is no device to work with: says so and gives up on the device.
    void giveUp(const QString& text);

    void tell(const QString& text) { reporter_.tell(text); }
    bool confirm(const QString& text, const QString& title) {
        return reporter_.confirm(text, title);
    }

    // Since selectDevice: the commands that were answered, and the one that failed (empty when
    // none did). lineFailed: that failure was the line's, not the device's.
    const QStringList& answered() const { return answered_; }
    const QString& failedCommand() const { return failedCommand_; }
    bool lineFailed() const { return lineFailed_; }

  private:
    std::unique_ptr<SerialPort> ownPort_;  // when the session owns its port
    LineState ownLine_;                    // ... and its line state
    SerialPort& port_;
    DeviceReporter& reporter_;
    ParameterPolicy policy_;
    QStringList answered_;
    QString failedCommand_;
    bool lineFailed_ = false;
};
