#pragma once

#include <QString>
#include <cstdint>
#include <limits>
#include <optional>

// The one whole-number reading used for device replies and user entries: optional blanks around,
// an optional sign, digits, an optional fractional part. A fraction goes to the nearest whole
// number, an exact half to the even neighbour (1000.5 -> 1000, 1001.5 -> 1002). The result must
// lie within [min, max]; anything else is no number at all.
std::optional<int64_t> readWholeNumber(const QString& text,
                                       int64_t min = std::numeric_limits<int32_t>::min(),
                                       int64_t max = std::numeric_limits<int32_t>::max());

// A signed 32-bit whole number, or nothing.
std::optional<int32_t> readInt32(const QString& text);

// The number written back as plain decimal digits ("-" for negatives, no blanks, no leading
// zeros, no fraction), or nothing when the text is no signed 32-bit whole number.
std::optional<QString> wholeNumberText(const QString& text);
