// Arbitrary bytes as the bus window's device list file: what is read is a list of distinct
// device IDs 01 to 99 that writes back in a form that reads the same; what is refused says why in
// words of its own, never with the file's bytes.
#include "files/bus_list_file.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const BusList list = busListFromBytes(inputBytes(data, size, 0));
    if (list.outcome == BusList::Outcome::Refused) {
        fuzzCheck(list.ids.isEmpty() && !list.problem.isEmpty(), "a refusal names its reason");
        for (const QChar c : list.problem) {
            fuzzCheck(c.unicode() >= 0x20 && c.unicode() < 0x7f, "the reason is plain text");
        }
        return 0;
    }
    fuzzCheck(list.outcome == BusList::Outcome::Read, "bytes are read or refused");
    for (const QString& id : list.ids) {
        const int n = id.toInt();
        fuzzCheck(id.size() == 2 && n >= 1 && n <= 99, "each ID is one of 01 to 99");
        fuzzCheck(list.ids.count(id) == 1, "each ID once");
    }
    const BusList again = busListFromBytes(busListContent(list.ids));
    fuzzCheck(again.outcome == BusList::Outcome::Read && again.ids == list.ids,
              "what was read writes back the same");
    return 0;
}
