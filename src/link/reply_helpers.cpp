#include "link/reply_helpers.h"

QString StripReplyPrefix(const QString& text) {
    if (text.startsWith(QLatin1Char('#'))) {
        return text.mid(3);
    }
    return text;
}

namespace {

// Walks bits 23..0; at each weight takes the truncating quotient of both inputs and reduces them.
// combine() decides from the two quotients whether the bit is set.
template <typename Combine>
int32_t bitwise(int32_t a, int32_t b, Combine combine) {
    int64_t ra = a;
    int64_t rb = b;
    int32_t result = 0;
    for (int bit = 23; bit >= 0; --bit) {
        const int64_t weight = int64_t{1} << bit;
        const int64_t qa = ra / weight;  // C++ division truncates toward zero
        const int64_t qb = rb / weight;
        ra -= qa * weight;
        rb -= qb * weight;
        if (combine(qa == 1, qb == 1)) {
            result |= static_cast<int32_t>(weight);
        }
    }
    return result;
}

}  // namespace

int32_t BitAnd(int32_t a, int32_t b) {
    return bitwise(a, b, [](bool x, bool y) { return x && y; });
}

int32_t BitOr(int32_t a, int32_t b) {
    return bitwise(a, b, [](bool x, bool y) { return x || y; });
}
