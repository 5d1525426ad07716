#pragma once

#include <QString>
#include <cstdint>

// Drops a leading "#" and the two-character address field that follows it.
QString StripReplyPrefix(const QString& text);

// Bit tests and bit sets over bits 23 to 0, computed digit by digit from the top as the device's
// tools always have: an input of 2^24 or more contributes only bits 0 to 22, a negative input
// contributes nothing. For 0 to 16777215 these are the ordinary AND and OR.
int32_t BitAnd(int32_t a, int32_t b);
int32_t BitOr(int32_t a, int32_t b);
