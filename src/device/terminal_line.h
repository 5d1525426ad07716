#pragma once

#include <QString>
#include <functional>
#include <optional>

#include "link/serial_port.h"

// The device ID box of the terminal as it goes into the frame: read as a 16-bit whole number
// (a fraction rounded), written back in decimal, one character padded with "0": "1" and "01"
// give "01", "0" gives "00", "123" stays "123". Nothing when the box holds no such number.
std::optional<QString> terminalDeviceId(const QString& idText);

// Receives each piece of log text the moment it is known, so a reply is seen as it arrives.
using TerminalLogSink = std::function<void(const QString&)>;

// One line typed into the terminal: logs ">@" + ID + command, then, on an open port, writes the
// frame, waits the command's delay and logs "<" and the reply exactly as it arrives ("#" prefix
// included), "NO REPLY!" after 100 ms of silence, "BROADCAST SENT!" for ID "00" (nothing is
// read), or "Com Port Error" when the port is not open; each answer ends with CR LF.
// Returns the failure's description when the ID is no number (nothing logged or sent) or the
// port fails (the log keeps what came so far, its answer line ended); nothing when the line went
// through.
std::optional<QString> sendTerminalLine(SerialPort& port, bool portOpen, const QString& idText,
                                        const QString& command, const TerminalLogSink& log);
