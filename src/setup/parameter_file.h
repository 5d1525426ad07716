#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <optional>

#include "setup/parameter_codes.h"

// A parameter file (".par"): 21 lines, each ended by CR LF, in a fixed order and without keys, so
// that files written by every earlier version of the program stay readable. Text is Latin-1: one
// byte per character, so every byte of a text line survives a round trip.
struct ParameterFileValues {
    int32_t polarity = 0;                   // 1: the polarity word
    QString LCA;                            // 2
    bool posGuardEnable = false;            // 3
    QString runCurrent;                     // 4
    QString idleCurrent;                    // 5
    QString idleTime;                       // 6
    QString posGuardTolerance;              // 7
    QString posGuardErrorRange;             // 8
    QString posGuardMaxAttempt;             // 9
    QString posGuardHighSpeed;              // 10
    QString posGuardIdleTime;               // 11
    CommMethod method = CommMethod::Rs485;  // 12
    QString deviceId;                       // 13: "01" to "99"
    QString nodeId;                         // 14: "1" to "127", empty for no selection
    QString serialBaud;                     // 15
    QString canBitRate;                     // 16: empty for no selection
    bool edoEnable = false;                 // 18 (17 is reserved, always "0")
    QString doBoot;                         // 19
    QString eoBoot;                         // 20
    bool returnZero = false;                // 21
};

inline constexpr int kParameterFileLines = 21;

// The file's bytes. Empty texts of lines 2 and 4 to 11 are written as "0"; lines 18 and 21 keep
// the old number form with a blank on either side (" 1 "). A line break inside a text is
// written as a blank, so that the file keeps its 21 lines.
QByteArray writeParameterFile(const ParameterFileValues& values);

// Writes the file whole or not at all: a failed save leaves an existing file of that name as it
// was. Returns the system's reason on failure.
std::optional<QString> saveParameterFile(const QString& path, const ParameterFileValues& values);

// What a file yields when read line by line: reading stops at the first line that cannot be used
// (the file ends, a number line holds no number, a check-box line holds neither 0 nor 1, a list
// line names no item of its list). Lines 1 to usableLines hold values; the controls of the later
// lines keep their state.
struct ParameterFileRead {
    ParameterFileValues values;
    int usableLines = 0;
    bool has(int line) const { return line <= usableLines; }
};
ParameterFileRead readParameterFile(const QByteArray& content);
