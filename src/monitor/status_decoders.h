#pragma once

#include <QString>
#include <array>
#include <cstdint>
#include <optional>

// What the status panel shows for the device's codes and bit words. Pure functions over the
// value a reply was read as; the polling cycle reads the reply and writes the controls.

// The motion status word ("MST"): the status text and the five lamps it drives.
struct MotionStatus {
    QString text;
    bool posLimit = false;    // "+L", bit 5
    bool home = false;        // "H", bit 3
    bool negLimit = false;    // "-L", bit 4
    bool zIndex = false;      // "Z", bit 9
    bool latchInput = false;  // latch "Input", bit 8
};
MotionStatus decodeMotionStatus(int32_t m);

// The Pos Guard state ("SLS") text; nothing for a code the window does not know, which leaves
// the display as it was.
std::optional<QString> posGuardText(int32_t s);

// How a status value moves a check box that follows the device.
enum class CheckMark { Tick, Clear, Unchanged };

// The latch state ("LTS"): its text and what it does to the latch enable box.
struct LatchState {
    QString text;
    CheckMark enable = CheckMark::Unchanged;
};
LatchState decodeLatchState(int32_t l);

// The sync state ("SYNS") text.
QString syncStateText(int32_t y);

// Digital inputs ("DI") bits 0 to 5 and outputs ("DO") bits 0 to 2, lowest bit first.
std::array<bool, 6> inputLamps(int32_t d);
std::array<bool, 3> outputLamps(int32_t o);

// The S-curve ("SCV") and motor enable ("EO") flags: on for the value 1 only.
bool flagOn(int32_t value);

// The move mode ("MM") text: "INC" for 1, "ABS" for anything else.
QString moveModeText(int32_t value);
