#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <optional>

#include "device/parameter_set.h"

// A parameter file (".par"): 21 lines, each ended by CR LF, in a fixed order and without keys, so
// that files written by every earlier version of the program stay readable. Text is Latin-1: one
// byte per character, so every byte of a text line survives a round trip. It holds a parameter
// set but for the guard ratio, the deceleration enable and "RT".
using ParameterFileValues = ParameterSet;

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

// Why a file that did not read whole stopped where it did, naming the line: "line 14 holds "0",
// which is no node ID ("1" to "127", or nothing)", or "the file ends after line 12 (a parameter
// file has 21 lines)". Empty for a file that reads whole.
QString unusableLineReason(const QByteArray& content, const ParameterFileRead& read);
