// The polling cycle without a window, as the command line's "info" and "monitor" run it.
#include <gtest/gtest.h>

#include "monitor/identification.h"
#include "monitor/status_cycle.h"
#include "support/sim_rig.h"

namespace {

struct CycleRig {
    CycleRig() : device(hub.addPort(1).addDevice(5, 9600)) {
        openPort(port, 1, "9600");
        line.unsettled = true;
    }
    QStringList takeLines() {
        const QStringList lines = hub.lines(1);
        hub.clearLines();
        return lines;
    }

    SimHub hub;
    SimDevice& device;
    SimPort port{hub};
    LineState line;
    StatusCycle cycle{port, line, "05"};
};

class StatusCycleTest : public ::testing::Test, public CycleRig {};

TEST_F(StatusCycleTest, TicksRotateThroughTheEightGroups) {
    for (int step = 1; step <= 9; ++step) {
        EXPECT_EQ(cycle.tick(), StatusCycle::Tick::Polled);
        EXPECT_EQ(takeLines(),
                  framed("05", QStringList{"AR", "EX", "PX"} + pollGroup((step - 1) % 8 + 1)))
            << step;
    }
    EXPECT_EQ(cycle.pollStep, 2);
    EXPECT_EQ(cycle.status.motion->text, "IDLE");
    EXPECT_EQ(cycle.status.posGuard, "IDLE");
    EXPECT_EQ(cycle.status.moveMode, "ABS");
    EXPECT_EQ(cycle.status.current, 500);
}

TEST_F(StatusCycleTest, ALostDeviceIsAskedOnlyForItsIdentityUntilItAnswers) {
    cycle.pollStep = 5;
    device.faults.silent = true;
    EXPECT_EQ(cycle.tick(), StatusCycle::Tick::Lost);
    EXPECT_FALSE(cycle.communicating);
    EXPECT_EQ(cycle.replies, QStringList({"0", "0", "0", "0", "0"}));  // the tick goes on
    EXPECT_EQ(cycle.status.motion->text, "IDLE");                      // "0" decodes as 0
    EXPECT_EQ(cycle.pollStep, 6);
    takeLines();
    EXPECT_EQ(cycle.tick(), StatusCycle::Tick::StillLost);
    EXPECT_EQ(takeLines(), QStringList{"@05ID"});
    device.faults.silent = false;
    EXPECT_EQ(cycle.tick(), StatusCycle::Tick::Reidentified);
    EXPECT_EQ(takeLines(), framed("05", {"ID", "VER", "VER"}));
    EXPECT_EQ(cycle.pollStep, 6);  // polling resumes where it was
    EXPECT_EQ(cycle.version, "V340");
}

TEST_F(StatusCycleTest, AutoResponseRepliesAreAskedAgainAndNoNumberEndsTheTick) {
    cycle.pollStep = 5;
    device.values["AR"] = "1";
    device.faults.rawReplies = {"1\r", "$DONE\r", "12\r", "34\r", "x\r"};
    EXPECT_EQ(cycle.tick(), StatusCycle::Tick::Polled);
    EXPECT_TRUE(cycle.arMode);
    EXPECT_EQ(takeLines(), framed("05", {"AR", "EX", "EX", "PX", "MST"}));  // no "SLS"
    EXPECT_EQ(cycle.status.encoder, "12");
    EXPECT_EQ(cycle.status.position, "34");
    EXPECT_FALSE(cycle.status.motion.has_value());
    EXPECT_EQ(cycle.pollStep, 6);
}

// A "$" line is asked again up to the bound, then the tick goes on without it.
TEST_F(StatusCycleTest, AutoResponseLinesAreAskedAgainWithinABound) {
    const int sends = StatusCycle::kDollarRepeats + 1;
    device.faults.rawReplies = {"0\r"};
    for (int i = 0; i < sends; ++i) {
        device.faults.rawReplies << "$DONE\r";
    }
    device.faults.rawReplies << "789\r";
    EXPECT_EQ(cycle.tick(), StatusCycle::Tick::Polled);
    EXPECT_EQ(takeLines(), framed("05", (QStringList{"AR"} + QStringList(sends, "EX")) << "PX"));
    EXPECT_FALSE(cycle.status.encoder.has_value());
    EXPECT_EQ(cycle.status.position, "789");
}

// A reply that must be a number and is none ends the tick there, wherever it comes, and the
// rotation goes on to the next group.
TEST_F(StatusCycleTest, AReplyThatIsNoNumberEndsTheTickButNotTheRotation) {
    for (const int step : {4, 5, 6, 8}) {
        const QStringList group = pollGroup(step);
        for (int bad = 0; bad < group.size(); ++bad) {
            device.faults.rawReplies.clear();
            for (int i = 0; i < 3 + bad; ++i) {
                device.faults.rawReplies << "0\r";
            }
            device.faults.rawReplies << (bad % 2 ? "\r" : "?\r");
            cycle.pollStep = step;
            cycle.tick();
            EXPECT_EQ(takeLines(),
                      framed("05", QStringList{"AR", "EX", "PX"} + group.mid(0, bad + 1)))
                << step << bad;
            EXPECT_EQ(cycle.pollStep, step % 8 + 1) << step << bad;
        }
    }
}

TEST_F(StatusCycleTest, IdentificationAndReadAll) {
    device.values.insert({{"DN", "KRB05"}});
    device.motion.setInput(3, true);
    const DeviceIdentification who = identifyDevice(port, line, "05");
    EXPECT_EQ(who.end, DeviceIdentification::End::Identified);
    EXPECT_EQ(who.name, "KRB05");
    EXPECT_EQ(identifyDevice(port, line, "06").end, DeviceIdentification::End::Silent);
    device.identity = "Stepvane-R-TB";
    EXPECT_EQ(identifyDevice(port, line, "05").end, DeviceIdentification::End::OtherDevice);
    takeLines();
    EXPECT_EQ(cycle.readAll(), StatusCycle::Tick::Polled);
    QStringList all{"AR", "EX", "PX"};
    for (int step = 1; step <= 8; ++step) {
        all << pollGroup(step);
    }
    EXPECT_EQ(takeLines(), framed("05", all));
    EXPECT_EQ(cycle.status.inputs, (std::array<bool, 6>{false, false, true, false, false, false}));
    EXPECT_EQ(cycle.pollStep, 1);
}

// The main window's start-up sequence: where it ends for each kind of answer, what it hands on
// as it goes, and what it asked.
TEST(StartUpIdentification, EndsWhereTheAnswersSay) {
    using End = StartUpIdentification::End;
    using S = ExchangeResult::Status;
    const auto r = [](S status, const char* text) {
        ExchangeResult result;
        result.status = status;
        result.text = text;
        return result;
    };
    const QStringList all = {"ID", "VER", "SYNC", "SYNP", "SYNC", "DN"};
    const struct {
        const char* what;
        QMap<QString, ExchangeResult> answers;  // by command; the rest answer "1"
        End end;
        QStringList asked;
        QStringList handedOn;
        bool nameAnswered;
    } cases[] = {
        {"identified",
         {{"ID", r(S::Reply, "Stepvane-CAN")}, {"DN", r(S::Reply, "KRB05")}},
         End::Identified,
         all,
         all.mid(0, 5),
         true},
        {"another device",
         {{"ID", r(S::Reply, "Stepvane-R-TB")}},
         End::OtherDevice,
         {"ID"},
         {"ID"},
         false},
        {"a silent device's 0",
         {{"ID", r(S::NoReply, "0")}},
         End::OtherDevice,
         {"ID"},
         {"ID"},
         false},
        {"no sync position",
         {{"ID", r(S::Reply, "Stepvane-CAN")}, {"SYNP", r(S::Reply, "?")}},
         End::Unusable,
         all.mid(0, 4),
         all.mid(0, 3),
         false},
        {"the line fails",
         {{"ID", r(S::Reply, "Stepvane-CAN")}, {"SYNC", r(S::PortFailure, "")}},
         End::PortFailed,
         all.mid(0, 3),
         all.mid(0, 2),
         false},
        {"a silent name",
         {{"ID", r(S::Reply, "Stepvane-CAN")}, {"DN", r(S::NoReply, "0")}},
         End::Identified,
         all,
         all.mid(0, 5),
         false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        QStringList asked;
        QStringList handedOn;
        const StartUpIdentification who = identifyForStartUp(
            [&](const QString& command) {
                asked << command;
                return c.answers.value(command, r(S::Reply, "1"));
            },
            [&](const QString& command, const QString&) {
                handedOn << command;
                return true;
            });
        EXPECT_EQ(who.end, c.end);
        EXPECT_EQ(asked, c.asked);
        EXPECT_EQ(handedOn, c.handedOn);
        EXPECT_EQ(who.nameAnswered, c.nameAnswered);
    }
}

}  // namespace
