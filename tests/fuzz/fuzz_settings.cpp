// Arbitrary settings files: the dialog's choices are always entries of their lists.
#include <cstdint>
#include <cstdlib>

#include "connect/settings_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray content(reinterpret_cast<const char*>(data), static_cast<int>(size));
    const SerialChoices c = choicesFromSettings(content);
    if (!comPortEntries().contains(c.port) || !baudRateEntries().contains(c.baud) ||
        !deviceIdEntries().contains(c.id)) {
        abort();
    }
    // What was read is written back in a form that reads the same.
    const SerialChoices again = choicesFromSettings(settingsContent(c));
    if (again.port != c.port || again.baud != c.baud || again.id != c.id) {
        abort();
    }
    return 0;
}
