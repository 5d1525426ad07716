#include "link/serial_port.h"

#include <chrono>

PortError::PortError(const QString& description)
    : std::runtime_error(description.toStdString()), description_(description) {}

qint64 SerialPort::nowUs() const {
    using namespace std::chrono;
    return duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count();
}

QString withOpenFailureHelp(const QString& message, const SerialPort& port) {
    const QString help = port.openFailureHelp();
    return help.isEmpty() ? message : message + QLatin1Char('\r') + help;
}

QString lineSettings(const QString& baudrate) {
    return baudrate + ",N,8,1";
}

void openPort(SerialPort& port, int portNumber, const QString& baudrate) {
    port.setReceiveThreshold(1);
    port.setInputLength(1);
    port.setSettings(lineSettings(baudrate));
    port.setDtr(false);
    port.setPortNumber(portNumber);
    port.open();
}
