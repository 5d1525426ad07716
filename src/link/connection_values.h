#pragma once

#include <QString>

// The connection values one window hands to the next before showing it. The names are the ones
// every window that talks to the device uses.
struct ConnectionValues {
    QString ComAddress = "01";   // two-digit device ID placed in every frame
    QString Baudrate = "9600";   // decimal baud rate text
    int ComPortNumber = 1;       // 1 to 15
    bool ComPortStatus = false;  // the port was opened
    bool ComStatus = false;      // the device answered with the expected identity
};
