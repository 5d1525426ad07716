// Arbitrary texts read as whole numbers: a value that is read lies within the range asked for
// and writes back to a text that reads as the same value; plain decimal texts read as their
// value; the terminal's device ID form reads back as the ID it was made from.
#include <QRegularExpression>
#include <cstdint>

#include "device/terminal_line.h"
#include "fuzz_support.h"
#include "link/number_form.h"

namespace {

// The value of a text of a sign and digits only, when it fits 18 digits; nothing for a longer
// one (far outside every range) and for any other text.
std::optional<std::optional<int64_t>> plainDecimal(const QString& text) {
    static const QRegularExpression plain(QStringLiteral("^[+-]?0*([0-9]*)$"));
    const QRegularExpressionMatch m = plain.match(text);
    if (!m.hasMatch() || text.isEmpty() || !text.back().isDigit()) {
        return std::nullopt;
    }
    return m.capturedLength(1) > 18 ? std::optional<int64_t>() : text.toLongLong();
}

void checkWide(const QString& text) {
    const auto value = readWholeNumber(text);
    fuzzCheck(readInt32(text) == value, "readInt32 agrees with readWholeNumber");
    fuzzCheck(!value || (*value >= INT32_MIN && *value <= INT32_MAX), "a value lies within int32");
    const auto written = wholeNumberText(text);
    fuzzCheck(written.has_value() == value.has_value(),
              "a value writes to a text; no number, none");
    fuzzCheck(!written || readWholeNumber(*written) == value, "a value writes back the same");
    if (const auto exact = plainDecimal(text)) {
        const bool inRange = *exact && **exact >= INT32_MIN && **exact <= INT32_MAX;
        fuzzCheck(value == (inRange ? *exact : std::nullopt),
                  "plain decimal text reads as its value");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString text = QString::fromLatin1(inputBytes(data, size, 0));
    checkWide(text);
    // The narrow range, and the terminal's device ID form that rests on it.
    const auto narrow = readWholeNumber(text, -32768, 32767);
    fuzzCheck(!narrow || (*narrow >= -32768 && *narrow <= 32767),
              "a narrow value lies within its range");
    const auto id = terminalDeviceId(text);
    fuzzCheck(id.has_value() == narrow.has_value(), "the terminal ID is the narrow reading");
    fuzzCheck(!id || id->size() >= 2, "the terminal ID has at least two characters");
    fuzzCheck(!id || readWholeNumber(*id) == narrow, "the terminal ID reads back as its value");
    return 0;
}
