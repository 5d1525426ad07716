#include "link/reply_reader.h"

ReadEnd readCharacters(SerialPort& port, const ReadLimits& limits, ReadBudget& budget,
                       const std::function<bool(char)>& onChar) {
    int idle = 0;
    for (;;) {
        const QByteArray got = port.read();
        if (got.isEmpty()) {
            if (budget.emptyReads-- <= 0) {
                return ReadEnd::OverBudget;
            }
            port.waitForInput(limits.idleWaitMs);
            if (++idle > limits.idleLimit) {
                return ReadEnd::Silent;
            }
            continue;
        }
        idle = 0;
        for (char c : got) {
            if (budget.characters-- <= 0) {
                return ReadEnd::OverBudget;
            }
            if (onChar(c)) {
                return ReadEnd::Stopped;
            }
        }
    }
}
