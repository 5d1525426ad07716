#include "link/number_form.h"

namespace {

bool isBlank(QChar c) {
    return c == QLatin1Char(' ') || c == QLatin1Char('\t');
}

bool isDigit(QChar c) {
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

// Splits "[sign]digits[.digits]" into its parts; false when the text has any other shape.
bool splitNumber(const QString& text, bool& negative, QString& whole, QString& fraction) {
    int i = 0;
    negative = false;
    if (i < text.size() && (text[i] == QLatin1Char('+') || text[i] == QLatin1Char('-'))) {
        negative = text[i] == QLatin1Char('-');
        ++i;
    }
    while (i < text.size() && isDigit(text[i])) {
        whole += text[i++];
    }
    if (i < text.size() && text[i] == QLatin1Char('.')) {
        ++i;
        while (i < text.size() && isDigit(text[i])) {
            fraction += text[i++];
        }
    }
    return i == text.size() && !(whole.isEmpty() && fraction.isEmpty());
}

// True when the fraction digits round the magnitude up, halves going to the even neighbour.
bool roundsUp(const QString& fraction, bool wholeIsOdd) {
    if (fraction.isEmpty()) {
        return false;
    }
    const QChar first = fraction[0];
    if (first != QLatin1Char('5')) {
        return first > QLatin1Char('5');
    }
    for (int i = 1; i < fraction.size(); ++i) {
        if (fraction[i] != QLatin1Char('0')) {
            return true;
        }
    }
    return wholeIsOdd;
}

}  // namespace

std::optional<int64_t> readWholeNumber(const QString& text, int64_t min, int64_t max) {
    int begin = 0;
    int end = text.size();
    while (begin < end && isBlank(text[begin])) {
        ++begin;
    }
    while (end > begin && isBlank(text[end - 1])) {
        --end;
    }
    bool negative = false;
    QString whole;
    QString fraction;
    if (!splitNumber(text.mid(begin, end - begin), negative, whole, fraction)) {
        return std::nullopt;
    }
    // Magnitudes beyond 2^62 are out of every range this program uses. The test comes before
    // the digit is taken in: after it, an overflow would already have wrapped the value around
    // (2^64 + 5 would read as 5).
    constexpr int64_t kCap = int64_t{1} << 62;
    int64_t magnitude = 0;
    for (QChar c : whole) {
        const int digit = c.unicode() - '0';
        if (magnitude > (kCap - digit) / 10) {
            return std::nullopt;
        }
        magnitude = magnitude * 10 + digit;
    }
    if (roundsUp(fraction, magnitude % 2 == 1)) {
        ++magnitude;
    }
    const int64_t value = negative ? -magnitude : magnitude;
    if (value < min || value > max) {
        return std::nullopt;
    }
    return value;
}

std::optional<int32_t> readInt32(const QString& text) {
    const auto value = readWholeNumber(text);
    if (!value) {
        return std::nullopt;
    }
    return static_cast<int32_t>(*value);
}

std::optional<QString> wholeNumberText(const QString& text) {
    const auto value = readWholeNumber(text);
    if (!value) {
        return std::nullopt;
    }
    return QString::number(*value);
}
