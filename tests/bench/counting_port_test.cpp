#include <gtest/gtest.h>

#include <functional>

#include "counting_port.h"
#include "link/exchange.h"
#include "support/sim_rig.h"

namespace {

// The soak reports no-replies from what the counting port saw; they must match what the
// exchange found. A line's silence shows when the next line is written. The reply lines tell a
// bench when a command has been answered: a reply without its CR is none.
TEST(CountingPort, CountsTheRepliesAndTheLinesThatGotNone) {
    const struct {
        const char* what;
        std::function<void(SimFaults&)> arrange;
        QStringList lines;  // "ID:command"
        qint64 noReplies;
        qint64 replyLines;
    } cases[] = {
        {"answered", [](SimFaults&) {}, {"01:PX", "01:EX", "01:PX"}, 0, 3},
        {"silent", [](SimFaults& f) { f.silent = true; }, {"01:PX", "01:EX", "01:PX"}, 2, 0},
        {"no CR", [](SimFaults& f) { f.noCR = true; }, {"01:PX", "01:EX"}, 1, 0},
        {"broadcast", [](SimFaults&) {}, {"00:STOP", "01:PX", "01:EX"}, 0, 2},
        {"other device", [](SimFaults&) {}, {"02:PX", "01:PX", "01:EX"}, 1, 2},
    };
    for (const auto& c : cases) {
        SimRig rig;
        c.arrange(rig.addDevice(1, 1).faults);
        LineCounts counts;
        CountingPort port(rig.services().makePort(), counts);
        openPort(port, 1, "9600");
        LineState state;
        QList<bool> silent;  // per line, as the exchange found it
        for (const QString& line : c.lines) {
            const QString id = line.section(':', 0, 0);
            const ExchangeResult result = exchange(port, state, id, line.section(':', 1));
            silent << (result.status == ExchangeResult::Status::NoReply && id != "00");
        }
        EXPECT_EQ(counts.noReplies, c.noReplies) << c.what;
        EXPECT_EQ(counts.frames, c.lines.size()) << c.what;
        EXPECT_EQ(counts.replyLines, c.replyLines) << c.what;
        // Every silence the exchange found but the last line's has been counted.
        EXPECT_EQ(silent.mid(0, silent.size() - 1).count(true), c.noReplies) << c.what;
    }
}

}  // namespace
