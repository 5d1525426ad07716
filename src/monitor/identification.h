#pragma once

#include <QString>

#include "link/exchange.h"
#include "link/serial_port.h"

// Who answers at an address: "ID", and when that is the identity this program serves, "VER" and
// the device name "DN". The main window's start-up asks the same and shows it.
struct DeviceIdentification {
    enum class End {
        Identified,   // identity, version and name read
        Silent,       // no answer to "ID"
        OtherDevice,  // "ID" answered with another identity: nothing more is asked
        Failed,       // "VER" or "DN" went unanswered
        PortFailed,   // the line failed: error says why
    };
    End end = End::Silent;
    QString identity;
    QString version;
    QString name;
    QString error;
};

DeviceIdentification identifyDevice(SerialPort& port, LineState& line, const QString& address);
