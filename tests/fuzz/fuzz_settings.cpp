// Arbitrary settings files: the dialog's choices are always entries of their lists.
#include "files/settings_file.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const SerialChoices c = choicesFromSettings(inputBytes(data, size, 0));
    fuzzCheck(comPortEntries().contains(c.port) && baudRateEntries().contains(c.baud) &&
                  deviceIdEntries().contains(c.id),
              "the choices are entries of their lists");
    // What was read is written back in a form that reads the same.
    const SerialChoices again = choicesFromSettings(settingsContent(c));
    fuzzCheck(again.port == c.port && again.baud == c.baud && again.id == c.id,
              "what was read writes back the same");
    return 0;
}
