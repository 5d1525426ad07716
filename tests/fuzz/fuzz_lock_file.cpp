// Arbitrary bytes as a serial lock file: what is taken from them is a process number a process
// may have, and names that may be shown as they are.
#include <algorithm>

#include "fuzz_support.h"
#include "ports/lock_files.h"

namespace {

bool showable(const QString& name) {
    return name.size() <= 64 &&
           std::all_of(name.begin(), name.end(), [](QChar c) { return c.isPrint(); });
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes = inputBytes(data, size, 0);
    const auto owner = parseLockFile(bytes);
    if (!owner) {
        return 0;
    }
    fuzzCheck(owner->pid > 0 && owner->pid <= 2147483647, "the process number is a pid");
    fuzzCheck(showable(owner->program) && showable(owner->host), "the names may be shown");
    fuzzCheck(bytes.split('\n').value(0).trimmed().toLongLong() == owner->pid,
              "the number is the first line's");
    return 0;
}
