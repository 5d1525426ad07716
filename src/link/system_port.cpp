#include "link/system_port.h"

#include "files/visible_text.h"
#include "link/network_port.h"
#include "link/qt_serial_port.h"
#include "ports/network_ports.h"
#include "ports/port_names.h"

SystemSerialPort::SystemSerialPort() : port_(std::make_unique<QtSerialPort>()) {}

SystemSerialPort::SystemSerialPort(NetworkAddress address)
    : fixed_(std::move(address)), port_(std::make_unique<NetworkPort>(*fixed_)) {}

SystemSerialPort::~SystemSerialPort() = default;

void SystemSerialPort::setPortNumber(int number) {
    port_->setPortNumber(number);
    number_ = number;
}

void SystemSerialPort::setSettings(const QString& settings) {
    port_->setSettings(settings);
    settings_ = settings;
}

void SystemSerialPort::setDtr(bool on) {
    dtr_ = on;
    port_->setDtr(on);
}

void SystemSerialPort::setInputLength(int length) {
    inputLength_ = length;
    port_->setInputLength(length);
}

void SystemSerialPort::setReceiveThreshold(int threshold) {
    threshold_ = threshold;
    port_->setReceiveThreshold(threshold);
}

// The port for this open: the same object when the number still leads where it did, so that a
// local port keeps what it knows; the ports folder may have changed since the last open.
void SystemSerialPort::choosePort() {
    help_.clear();
    std::optional<NetworkAddress> target = fixed_;
    if (!target) {
        const NetworkEntry entry = readNetworkEntry(portsFolder(), number_);
        if (!entry.problem.isEmpty()) {
            help_ = QStringLiteral(
                        "Give COM%1 a device or a network address in Ports..., or "
                        "remove the file %2.")
                        .arg(number_)
                        .arg(visibleText(portDevicePath(number_)));
            throw PortError(QStringLiteral("The entry of COM%1 in the ports folder cannot be "
                                           "used: %2")
                                .arg(number_)
                                .arg(entry.problem));
        }
        target = entry.address;
    }
    if (target == opened_ && port_) {
        return;
    }
    if (target) {
        port_ = std::make_unique<NetworkPort>(*target);
    } else {
        port_ = std::make_unique<QtSerialPort>();
    }
    opened_ = target;
    port_->setPortNumber(number_);
    port_->setSettings(settings_);
    port_->setDtr(dtr_);
    port_->setInputLength(inputLength_);
    port_->setReceiveThreshold(threshold_);
}

void SystemSerialPort::open() {
    if (port_->isOpen()) {
        throw PortError(QStringLiteral("Port is already open"));
    }
    choosePort();
    port_->open();
}

void SystemSerialPort::close() {
    port_->close();
}

bool SystemSerialPort::isOpen() const {
    return port_->isOpen();
}

void SystemSerialPort::write(const QByteArray& data) {
    port_->write(data);
}

QByteArray SystemSerialPort::read() {
    return port_->read();
}

void SystemSerialPort::delay(int ms) {
    port_->delay(ms);
}

bool SystemSerialPort::waitForInput(int ms) {
    return port_->waitForInput(ms);
}

QString SystemSerialPort::openFailureHelp() const {
    if (!help_.isEmpty()) {
        return help_;
    }
    const QString help = port_->openFailureHelp();
    if (!opened_ || fixed_ || help.isEmpty()) {
        return help;  // nothing failed at the open, or nothing to say of the number
    }
    const QString reach = QStringLiteral("COM%1 is the network port %2 (see Ports...).")
                              .arg(number_)
                              .arg(visibleText(opened_->text()));
    return reach + QLatin1Char('\r') + help;
}

bool SystemSerialPort::setsBaudRate() const {
    return port_->setsBaudRate();
}

qint64 SystemSerialPort::nowUs() const {
    return port_->nowUs();
}
