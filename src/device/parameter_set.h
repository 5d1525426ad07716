#pragma once

#include <QString>
#include <cstdint>

#include "device/parameter_codes.h"

// One device's configuration as a value: what the parameter window's controls hold, what an
// upload reads into and a download writes from. The initial values are those of a freshly
// opened parameter window before its upload (lists filled, "9600" and "01" selected), so that
// an upload that ends half-way leaves the later values where the window leaves its controls.
// A parameter file holds all but the last three (see parameter_file.h, lines 1 to 21).
struct ParameterSet {
    int32_t polarity = 0;                              // "POL", file line 1: the polarity word
    QString LCA = QStringLiteral("300");               // "LCA", 2
    bool posGuardEnable = false;                       // "SL", 3
    QString runCurrent = QStringLiteral("1");          // "CURR", 4
    QString idleCurrent = QStringLiteral("1");         // "CURI", 5
    QString idleTime = QStringLiteral("1");            // "CURT", 6
    QString posGuardTolerance = QStringLiteral("1");   // "SLT", 7
    QString posGuardErrorRange = QStringLiteral("1");  // "SLE", 8
    QString posGuardMaxAttempt = QStringLiteral("1");  // "SLA", 9
    QString posGuardHighSpeed = QStringLiteral("1");   // "SLH", 10
    QString posGuardIdleTime = QStringLiteral("1");    // "SLI", 11
    CommMethod method = CommMethod::Rs485;             // "CM", 12
    QString deviceId = QStringLiteral("01");           // "DN", 13: "01" to "99"
    QString nodeId;                               // "NID", 14: "1" to "127", empty for no selection
    QString serialBaud = QStringLiteral("9600");  // "DB", 15
    QString canBitRate;                           // "BR", 16: empty for no selection
    bool edoEnable = false;                       // "EDO", 18 (17 is reserved, always "0")
    QString doBoot;                               // "DOBOOT", 19
    QString eoBoot;                               // "EOBOOT", 20
    bool returnZero = false;                      // "RZ", 21

    // Not in a parameter file.
    QString posGuardRatio = QStringLiteral("1");  // "SLR"
    bool decEnable = false;                       // "EDEC"
    bool RT = false;                              // "RT": written by every download, never read
};

// The parameters read and written as plain text, in the order the device is asked for them.
struct TextParameter {
    const char* key;
    QString ParameterSet::*field;
};
inline constexpr TextParameter kTextParameters[] = {
    {"CURR", &ParameterSet::runCurrent},        {"CURI", &ParameterSet::idleCurrent},
    {"CURT", &ParameterSet::idleTime},          {"SLT", &ParameterSet::posGuardTolerance},
    {"SLE", &ParameterSet::posGuardErrorRange}, {"SLA", &ParameterSet::posGuardMaxAttempt},
    {"SLR", &ParameterSet::posGuardRatio},      {"SLH", &ParameterSet::posGuardHighSpeed},
    {"SLI", &ParameterSet::posGuardIdleTime},
};
