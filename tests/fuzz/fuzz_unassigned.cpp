// Arbitrary content of the ports folder's list of adapters given no number: every path taken is
// absolute, printable and taken once, and the list as written back reads the same.
#include <QDir>

#include <algorithm>

#include "fuzz_support.h"
#include "ports/ports_folder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QStringList paths = parseUnassigned(inputBytes(data, size, 0));
    for (const QString& p : paths) {
        fuzzCheck(QDir::isAbsolutePath(p), "every path is absolute");
        fuzzCheck(std::all_of(p.begin(), p.end(), [](QChar c) { return c.isPrint(); }),
                  "no path holds a control character");
        fuzzCheck(paths.count(p) == 1, "every path is taken once");
    }
    fuzzCheck(parseUnassigned(unassignedContent(paths)) == paths,
              "the list as written back reads the same");
    return 0;
}
