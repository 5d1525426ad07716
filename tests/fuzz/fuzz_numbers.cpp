// Arbitrary texts read as whole numbers: a value that is read must write back to a text that
// reads as the same value, and stay within the range asked for.
#include <cstdint>
#include <cstdlib>

#include "link/number_form.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString text =
        QString::fromLatin1(reinterpret_cast<const char*>(data), static_cast<int>(size));
    if (const auto value = readWholeNumber(text)) {
        if (*value < INT32_MIN || *value > INT32_MAX) {
            abort();
        }
        const auto written = wholeNumberText(text);
        if (!written || readWholeNumber(*written) != value) {
            abort();
        }
    }
    if (const auto narrow = readWholeNumber(text, -32768, 32767)) {
        if (*narrow < -32768 || *narrow > 32767) {
            abort();
        }
    }
    return 0;
}
