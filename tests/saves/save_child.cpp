// save_child KIND PATH STOP_AFTER: saves KIND's content (see saved_files.h) to PATH through the
// program's own writer and stops itself (SIGSTOP) at the moment the writing passes STOP_AFTER
// bytes, in the middle of the save. The test then looks at the unfinished save and kills the
// child, as a crash or a power cut would end the program.
#include <sys/prctl.h>
#include <sys/resource.h>
#include <csignal>
#include <cstdlib>

#include "saved_files.h"

int main(int argc, char* argv[]) {
    if (argc != 4) {
        return 2;
    }
    // Stopped children of a test that died would otherwise wait for ever.
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    rlimit limit{};
    getrlimit(RLIMIT_FSIZE, &limit);
    limit.rlim_cur = std::strtoull(argv[3], nullptr, 10);
    // The size limit signals the write that goes past it; stopping here freezes the save mid-way.
    std::signal(SIGXFSZ, [](int) { raise(SIGSTOP); });
    setrlimit(RLIMIT_FSIZE, &limit);
    // Reached only when the save never passed the limit.
    return saveKind(QString::fromLocal8Bit(argv[1]), QString::fromLocal8Bit(argv[2])) ? 0 : 1;
}
