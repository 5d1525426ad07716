#include "link/serial_port.h"

PortError::PortError(const QString& description)
    : std::runtime_error(description.toStdString()), description_(description) {}

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
