#pragma once

#include <QString>
#include <optional>

// How the device reads a number in a command: an optional sign and decimal digits, nothing else
// (no blanks, no fraction), within [min, max]. Anything else is refused.
std::optional<qint64> deviceNumber(const QString& text, qint64 min, qint64 max);

// The range of the device's counters and positions.
inline constexpr qint64 kInt32Min = -2147483648LL;
inline constexpr qint64 kInt32Max = 2147483647LL;
