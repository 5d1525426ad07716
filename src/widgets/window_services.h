#pragma once

#include <QString>
#include <functional>
#include <memory>

#include "link/serial_port.h"

class Prompter;
class ModalRunner;
class PortInventory;

// What every window needs from outside: a way to make its own serial port, to talk to the user
// and to show a child window modally, and the serial lines present (the connection dialog shows
// them; none when null). The program passes the real ones, tests their doubles.
struct WindowServices {
    std::function<std::unique_ptr<SerialPort>()> makePort;
    Prompter* prompter = nullptr;
    ModalRunner* modal = nullptr;
    PortInventory* inventory = nullptr;
    // A monotonic clock in milliseconds for what is timed (the chart, the line's rate); none:
    // the system's. Tests give the simulated line's clock.
    std::function<qint64()> clockMs = nullptr;
    // The folder of the settings file, where windows keep their own small files (the bus
    // window's device lists); empty: the current folder.
    QString settingsFolder = QString();
};
