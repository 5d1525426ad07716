// Every device of a bus polled in turn, and what each exchange tells about the line's health.
#include <gtest/gtest.h>

#include <QDateTime>

#include "monitor/bus_poll.h"
#include "monitor/line_quality.h"
#include "support/sim_rig.h"

namespace {

ExchangeTrace answered(const QString& id, const QString& command, const QByteArray& line,
                       const QString& reply, qint64 replyUs = 1000) {
    ExchangeTrace t;
    t.address = id;
    t.command = command;
    t.status = ExchangeResult::Status::Reply;
    t.line = line;
    t.reply = reply;
    t.replyUs = replyUs;
    t.writes = 1;
    return t;
}

ExchangeTrace unanswered(const QString& id, const QString& command) {
    ExchangeTrace t;
    t.address = id;
    t.command = command;
    t.status = ExchangeResult::Status::NoReply;
    t.writes = 1;
    return t;
}

TEST(LineTallyTest, EachReplyCountsWhereItBelongs) {
    struct Case {
        const char* what;
        ExchangeTrace trace;
        quint64 garbled, foreignPrefix, dollarRepeats;
    };
    const Case cases[] = {
        {"a number", answered("05", "PX", "-1200", "-1200"), 0, 0, 0},
        {"a name", answered("05", "DN", "KRB05", "KRB05"), 0, 0, 0},
        {"its own prefix", answered("05", "PX", "#0512", "12"), 0, 0, 0},
        {"unknown command", answered("05", "PX", "?", "?"), 0, 0, 0},
        {"an auto-response line", answered("05", "EX", "$", "$"), 0, 0, 1},
        {"a character no reply has",
         answered("05", "DN",
                  "KR\xC2"
                  "05",
                  "KR\xC2"
                  "05"),
         1, 0, 0},
        {"a control character", answered("05", "ID", "Step\x01", "Step\x01"), 1, 0, 0},
        {"letters for a number", answered("05", "PX", "12a4", "12a4"), 1, 0, 0},
        {"a broken prefix", answered("05", "PX", "#x512", "12"), 1, 0, 0},
        {"another ID's prefix", answered("05", "PX", "#0712", "12"), 0, 1, 0},
    };
    for (const Case& c : cases) {
        LineTally tally(9600);
        tally.take(c.trace);
        const LineQuality& q = tally.of("05");
        EXPECT_EQ(q.exchanges, 1u) << c.what;
        EXPECT_EQ(q.answered, 1u) << c.what;
        EXPECT_EQ(q.garbled, c.garbled) << c.what;
        EXPECT_EQ(q.foreignPrefix, c.foreignPrefix) << c.what;
        EXPECT_EQ(q.dollarRepeats, c.dollarRepeats) << c.what;
    }
}

TEST(LineTallyTest, LinesDroppedBeforeAnExchangeBelongToTheOneBefore) {
    qint64 now = 1000;
    LineTally tally(9600, [&now] { return now; });
    // 05 leaves PX unanswered; its answer is dropped before 07's exchange: late, and 05's.
    tally.take(unanswered("05", "PX"));
    EXPECT_EQ(tally.of("05").silentSinceMs, 1000);
    ExchangeTrace next = answered("07", "PX", "1", "1");
    next.droppedBefore = 1;
    now = 2000;
    tally.take(next);
    // 07 answered, and a second line came before 05's next exchange: 07 answered twice.
    ExchangeTrace after = answered("05", "PX", "2", "2");
    after.droppedBefore = 2;
    tally.take(after);
    EXPECT_EQ(tally.of("05").late, 1u);
    EXPECT_EQ(tally.of("05").garbled, 0u);
    EXPECT_EQ(tally.of("05").silentSinceMs, -1);
    EXPECT_EQ(tally.of("05").unanswered, 1u);
    EXPECT_EQ(tally.of("07").late, 0u);
    EXPECT_EQ(tally.of("07").garbled, 2u);
    EXPECT_EQ(tally.of("07").doubled, 2u);
    EXPECT_EQ(tally.of("07").lastAnswerMs, 2000);
    EXPECT_EQ(tally.of("11").exchanges, 0u);  // never asked
}

// On the simulated line: a late answer taken for the next command's reply leaves that command's
// own answer to be dropped later; it is counted late, never as a second answer.
TEST(LineTallyTest, LateAnswersOnTheLineAreLateAndSecondAnswersDoubled) {
    struct Case {
        const char* what;
        std::function<void(SimBus&)> fault;
        quint64 late, doubled;
    };
    const Case cases[] = {
        {"clean", [](SimBus&) {}, 0, 0},
        {"one late answer",
         [](SimBus& b) {
             b.device(7)->faults.late = {{"PX", 250, 1}};
         },
         1, 0},
        {"a second line after a reply",
         [](SimBus& b) { b.device(7)->faults.rawReplies = {"12\r13\r"}; }, 0, 1},
    };
    for (const Case& c : cases) {
        SimHub hub;
        SimBus& bus = hub.addPort(1);
        bus.addDevice(7);
        c.fault(bus);
        SimPort port(hub);
        openPort(port, 1, "9600");
        LineState line;
        LineTally tally(9600);
        line.afterExchange = [&tally](const ExchangeTrace& t) { tally.take(t); };
        for (const char* command : {"PX", "EX", "ID", "VER", "DN"}) {
            exchange(port, line, "07", command);
        }
        EXPECT_EQ(tally.of("07").late, c.late) << c.what;
        EXPECT_EQ(tally.of("07").doubled, c.doubled) << c.what;
        EXPECT_EQ(tally.of("07").exchanges, 5u) << c.what;
    }
}

TEST(LineTallyTest, TimesLeaveOutTheCommandsAndTheReplysOwnCharacters) {
    LineTally tally(9600);
    // "@05PX" and its CR go out in 6 characters of 10 bits at 9600 baud, 6250 us, and so does
    // "-1200" with its CR.
    tally.take(answered("05", "PX", "-1200", "-1200", 15000));
    EXPECT_EQ(tally.of("05").replyTimes.maxUs(), 8750);
    EXPECT_EQ(tally.of("05").answerTimes.maxUs(), 2500);
}

TEST(ReplyTimesTest, PercentilesOfTheLatestTimesAndTheLongestEver) {
    ReplyTimes times;
    EXPECT_EQ(times.percentileUs(0.5), -1);
    times.add(1'000'000);  // one long time, then the ring forgets it
    for (int i = 1; i <= 2000; ++i) {
        times.add(i);
    }
    EXPECT_EQ(times.count(), ReplyTimes::kKept);
    // The kept ones are 977 to 2000.
    EXPECT_EQ(times.percentileUs(0.0), 977);
    EXPECT_EQ(times.percentileUs(0.5), 1489);
    EXPECT_EQ(times.percentileUs(0.95), 1949);
    EXPECT_EQ(times.maxUs(), 1'000'000);
}

TEST(BusLineStateTest, OkOrSinceWhenItLastAnswered) {
    LineQuality q;
    EXPECT_EQ(busLineStateText(q), "");
    q.exchanges = 3;
    EXPECT_EQ(busLineStateText(q), "OK");
    const qint64 at = QDateTime(QDate(2026, 12, 7), QTime(14, 3, 12)).toMSecsSinceEpoch();
    q.lastAnswerMs = at;
    q.silentSinceMs = at + 900;
    EXPECT_EQ(busLineStateText(q), "no reply since 14:03:12");
    q.lastAnswerMs = -1;  // never answered: since it was first asked
    q.silentSinceMs = at + 1000;
    EXPECT_EQ(busLineStateText(q), "no reply since 14:03:13");
}

struct BusRig {
    BusRig() {
        SimBus& bus = hub.addPort(1);
        bus.addDevice(1);
        bus.addDevice(2);
        bus.addDevice(5);
        openPort(port, 1, "9600");
        poll.setIds({"01", "02", "05"});
    }
    QStringList takeLines() {
        const QStringList lines = hub.lines(1);
        hub.clearLines();
        return lines;
    }
    SimHub hub;
    SimPort port{hub};
    LineState line;
    BusPoll poll{port, line, 9600};
};

TEST(BusPollTest, EachDeviceIsIdentifiedOnceThenPolledByItsOwnCycle) {
    BusRig rig;
    rig.hub.bus(1)->device(2)->faults.silent = true;
    ASSERT_TRUE(rig.poll.pass());
    EXPECT_EQ(rig.takeLines(), framed("01", {"ID", "VER", "DN"}) + framed("02", {"ID"}) +
                                   framed("05", {"ID", "VER", "DN"}));
    EXPECT_EQ(rig.poll.device("05")->name, "KRB05");
    EXPECT_FALSE(rig.poll.device("02")->identified);
    ASSERT_TRUE(rig.poll.pass());
    // A silent device costs one "ID" per pass; the others' cycles go on in their own rotation.
    EXPECT_EQ(rig.takeLines(), framed("01", {"AR", "EX", "PX"}) + framed("02", {"ID"}) +
                                   framed("05", {"AR", "EX", "PX"}));
    ASSERT_TRUE(rig.poll.pass());
    EXPECT_EQ(rig.takeLines(), framed("01", {"AR", "EX", "PX", "DX", "PS"}) + framed("02", {"ID"}) +
                                   framed("05", {"AR", "EX", "PX", "DX", "PS"}));
    EXPECT_EQ(rig.poll.tally().of("02").unanswered, 3u);
    EXPECT_EQ(rig.poll.tally().of("01").unanswered, 0u);
    EXPECT_EQ(rig.poll.tally().of("05").exchanges, 11u);

    // It answers again and is identified; the list can change without losing the others' state.
    rig.hub.bus(1)->device(2)->faults.silent = false;
    rig.poll.setIds({"05", "02"});
    ASSERT_TRUE(rig.poll.pass());
    EXPECT_EQ(rig.takeLines(),
              framed("05", {"AR", "EX", "PX", "LTP", "LTE"}) + framed("02", {"ID", "VER", "DN"}));
    EXPECT_EQ(busLineStateText(rig.poll.tally().of("02")), "OK");
}

TEST(BusPollTest, ADeviceLostInPollingIsAskedOnlyForItsIdentity) {
    BusRig rig;
    ASSERT_TRUE(rig.poll.pass());
    rig.hub.bus(1)->device(1)->faults.silent = true;
    ASSERT_TRUE(rig.poll.pass());
    EXPECT_FALSE(rig.poll.device("01")->cycle.communicating);
    rig.takeLines();
    ASSERT_TRUE(rig.poll.pass());
    EXPECT_EQ(rig.takeLines().mid(0, 1), QStringList{"@01ID"});
    EXPECT_TRUE(busLineStateText(rig.poll.tally().of("01")).startsWith("no reply since "));
}

TEST(BusPollTest, ReplyTimesRunOnTheLinesClock) {
    BusRig rig;
    rig.hub.pacing = true;
    rig.hub.bus(1)->device(5)->faults.replyDelayMs = 30;
    rig.poll.setIds({"01", "05"});
    for (int i = 0; i < 4; ++i) {
        ASSERT_TRUE(rig.poll.pass());
    }
    const LineQuality& quick = rig.poll.tally().of("01");
    const LineQuality& slow = rig.poll.tally().of("05");
    // The device starts its answer 0.5 ms after the command; the rest is the reply's characters.
    EXPECT_GE(quick.answerTimes.percentileUs(0.95), 400);
    EXPECT_LE(quick.answerTimes.percentileUs(0.95), 1500);
    EXPECT_GE(slow.answerTimes.percentileUs(0.5), 30000);
    EXPECT_LE(slow.answerTimes.percentileUs(0.5), 31500);
    EXPECT_GT(slow.replyTimes.maxUs(), slow.answerTimes.maxUs());
}

TEST(BusPollTest, AFailedLineEndsThePassWithItsReason) {
    BusRig rig;
    rig.hub.vanish(1);
    EXPECT_FALSE(rig.poll.pass());
    EXPECT_FALSE(rig.poll.error().isEmpty());
}

}  // namespace
