#include "device/device_session.h"

#include "device/parameter_messages.h"

DeviceSession::DeviceSession(std::unique_ptr<SerialPort> port, DeviceReporter& reporter)
    : ownPort_(std::move(port)),
      port_(*ownPort_),
      reporter_(reporter),
      policy_(port_, ownLine_, values, [this](const QString& text) { tell(text); }) {}

DeviceSession::DeviceSession(SerialPort& port, LineState& line, DeviceReporter& reporter)
    : port_(port),
      reporter_(reporter),
      policy_(port_, line, values, [this](const QString& text) { tell(text); }) {}

std::optional<QString> DeviceSession::openLine() {
    try {
        ::openPort(port_, values.ComPortNumber, values.Baudrate);
    } catch (const PortError& error) {
        return error.description();
    }
    policy_.lineOpened();
    return std::nullopt;
}

void DeviceSession::closeLine() {
    try {
        if (port_.isOpen()) {
            port_.close();
        }
    } catch (const PortError&) {
        // A port that is gone is closed already.
    }
}

void DeviceSession::selectDevice(const QString& id) {
    values.ComAddress = id;
    values.ComStatus = true;
    answered_.clear();
    failedCommand_.clear();
    lineFailed_ = false;
}

bool DeviceSession::ready() {
    if (!values.ComPortStatus) {
        tell(kPortNotOpen);
        return false;
    }
    if (!values.ComStatus) {
        tell(kDeviceNotOpen);
        return false;
    }
    return true;
}

std::optional<QString> DeviceSession::request(const QString& command) {
    const bool wasAnswering = values.ComStatus;
    const QString reply = SendReceive(command);
    // A silent or empty answer comes back as "0" with ComStatus cleared; an empty result while
    // ComStatus still holds can only be a failed line.
    if (!values.ComStatus || reply.isEmpty()) {
        if (wasAnswering && failedCommand_.isEmpty()) {
            failedCommand_ = command;
            lineFailed_ = values.ComStatus;
        }
        return std::nullopt;
    }
    answered_ << command;
    return reply;
}

void DeviceSession::unusableReply() {
    giveUp(kUnusableReply);
}

void DeviceSession::giveUp(const QString& text) {
    if (values.ComStatus && failedCommand_.isEmpty() && !answered_.isEmpty()) {
        failedCommand_ = answered_.takeLast();  // answered, but with nothing usable
    }
    values.ComStatus = false;
    tell(text);
}
