#include "sim/sim_number.h"

std::optional<qint64> deviceNumber(const QString& text, qint64 min, qint64 max) {
    // Eighteen digits cannot overflow qint64; longer texts are out of every range we use.
    constexpr int kMaxDigits = 18;
    int i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == QLatin1Char('-') || text[i] == QLatin1Char('+'))) {
        negative = text[i] == QLatin1Char('-');
        ++i;
    }
    const int digits = static_cast<int>(text.size()) - i;
    if (digits < 1 || digits > kMaxDigits) {
        return std::nullopt;
    }
    qint64 value = 0;
    for (; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c < u'0' || c > u'9') {
            return std::nullopt;
        }
        value = value * 10 + (c - u'0');
    }
    if (negative) {
        value = -value;
    }
    if (value < min || value > max) {
        return std::nullopt;
    }
    return value;
}
