#pragma once

#include <QString>

// A serial line's settings as the windows give them: "<baud>,<parity letter>,<data bits>,<stop
// bits>", e.g. "9600,N,8,1".
struct LineSettings {
    int baud = 9600;
    char parity = 'N';  // N, E, O, M or S
    int dataBits = 8;   // 5 to 8
    int stopBits = 1;   // 1 or 2
};

// The settings in the text; throws PortError ("Invalid port settings: ...") on anything else.
LineSettings parseLineSettings(const QString& text);
