#include <gtest/gtest.h>

#include "sim_axis_rig.h"

namespace {

constexpr qint64 kAccel = 2, kConst = 1, kDecel = 4;

// A jog ramps from LSPD to HSPD, runs, and after STOP ramps down and rests; the same distance
// with either ramp shape and in either direction. With these figures each ramp takes 700 ms
// and covers 455 steps, so STOP at 2 s leaves the motor at 455 + 1300 + 455 = 2210.
TEST(SimMotion, JogRampsUpRunsAndStopsOnARamp) {
    for (const char* scurve : {"SCV=0", "SCV=1"}) {
        for (const int sign : {1, -1}) {
            SCOPED_TRACE(std::string(scurve) + (sign > 0 ? " J+" : " J-"));
            AxisRig rig;
            rig.send({"HSPD=1000", "LSPD=300", "ACC=1000", "DEC=1000", scurve}, 0);
            rig.send({sign > 0 ? "J+" : "J-"}, 0);
            const struct {
                qint64 at;
                qint64 motion;
                qint64 guard;
            } phases[] = {{100, kAccel, 5}, {1000, kConst, 5}, {1999, kConst, 5}};
            for (const auto& p : phases) {
                EXPECT_EQ(rig.motionBits(p.at), p.motion) << p.at;
                EXPECT_EQ(rig.number("SLS", p.at), p.guard) << p.at;
            }
            EXPECT_EQ(rig.number("PS", 1000), 1000);
            EXPECT_EQ(rig.number("DX", 1000), sign * 2);  // the encoder trails a little
            EXPECT_EQ(rig.number("EX", 1000), rig.number("PX", 1000) - sign * 2);
            EXPECT_EQ(rig.number("PX", 2000), sign * 1755);
            rig.send({"STOP"}, 2000);
            EXPECT_EQ(rig.motionBits(2100), kDecel);
            EXPECT_EQ(rig.number("SLS", 2100), 3);
            EXPECT_EQ(rig.motionBits(2701), 0);
            for (const char* idle : {"SLS", "PS", "DX"}) {
                EXPECT_EQ(rig.number(idle, 3000), 0) << idle;
            }
            EXPECT_EQ(rig.number("PX", 3000), sign * 2210);
            EXPECT_EQ(rig.number("EX", 3000), sign * 2210);
        }
    }
}

// "X" moves land exactly on their target, absolute or relative, on either ramp shape, and the
// encoder ends where the position does.
TEST(SimMotion, MovesLandOnTheirTargets) {
    const struct {
        QStringList setup;  // at rest, before the move
        QString move;
        qint64 target;
    } cases[] = {
        {{}, "X1000", 1000},
        {{"SCV=1"}, "X-12345", -12345},
        {{"PX=500", "INC"}, "X-200", 300},
        {{"PX=500", "MM=1", "ABS"}, "X-200", -200},
        {{"PX=7", "EX=9"}, "X7", 7},  // already there
        {{"INC"}, "X3", 3},           // shorter than any ramp
        {{"PX=-2147483000"}, "X-2147483648", -2147483648LL},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.move.toStdString());
        AxisRig rig;
        rig.send(kQuickProfile + c.setup, 0);
        const qint64 encoderShift = rig.number("EX", 0) - rig.number("PX", 0);
        rig.send({c.move}, 0);
        if (c.target != rig.number("PX", 0)) {
            EXPECT_EQ(rig.number("SLS", 1), 1);  // MOVING
        }
        EXPECT_EQ(rig.number("PX", 60000), c.target);
        EXPECT_EQ(rig.number("EX", 60000), c.target + encoderShift);
        EXPECT_EQ(rig.number("MST", 60000) & 7, 0);
        EXPECT_EQ(rig.number("SLS", 60000), 0);
    }
}

// X1000 with the quick profile: 0.9 s up to 1000 steps/s, 10 steps at speed, 0.9 s down.
TEST(SimMotion, AMoveTakesTheTimeOfItsProfile) {
    AxisRig rig;
    rig.send(kQuickProfile, 0);
    rig.send({"X1000"}, 0);
    EXPECT_EQ(rig.motionBits(450), kAccel);
    EXPECT_EQ(rig.motionBits(905), kConst);
    EXPECT_EQ(rig.motionBits(1500), kDecel);
    EXPECT_LT(rig.number("PX", 1800), 1000);
    EXPECT_EQ(rig.number("PX", 1811), 1000);
    EXPECT_EQ(rig.number("SLS", 1811), 0);
}

TEST(SimMotion, AbortStopsAtOnceWhereStopRampsDown) {
    AxisRig rig;
    rig.send(kQuickProfile, 0);
    rig.send({"J+"}, 0);
    const qint64 at = rig.number("PX", 1500);
    rig.send({"ABORT"}, 1500);
    EXPECT_EQ(rig.number("PS", 1500), 0);
    EXPECT_EQ(rig.number("SLS", 1500), 4);  // ABORTING, shown briefly
    EXPECT_EQ(rig.number("MST", 1500) & 7, 0);
    EXPECT_EQ(rig.number("PX", 5000), at);
    EXPECT_EQ(rig.number("SLS", 5000), 0);

    rig.send({"J+"}, 5000);
    rig.send({"STOP"}, 6500);
    EXPECT_GT(rig.number("PX", 7000), rig.number("PX", 6500));
}

// On-the-fly changes: a new target ahead, behind, or too close to stop for. The motor never
// jumps (at most HSPD x 10 ms between two looks 10 ms apart) and brakes past a target it
// cannot stop for before it comes back.
TEST(SimMotion, OnTheFlyTargetsAreReachedExactly) {
    const struct {
        qint64 at;
        QString change;
        qint64 target;
        qint64 farthest;  // largest position on the way
    } cases[] = {
        {500, "T5000", 5000, 5000},   // further on
        {1000, "T200", 200, 1090},    // behind the motor: brakes, then comes back
        {1500, "T1500", 1500, 1590},  // too close to stop: overshoots, then comes back
        {100, "T-300", -300, 30},     // the other way
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.change.toStdString());
        AxisRig rig;
        rig.send(kQuickProfile, 0);
        rig.send({"X3000"}, 0);
        qint64 last = 0;
        qint64 farthest = 0;
        for (qint64 t = 10; t <= 20000; t += 10) {
            if (t == c.at) {
                EXPECT_EQ(rig.ask(c.change, t), "OK");
            }
            const qint64 now = rig.number("PX", t);
            ASSERT_LE(std::abs(now - last), 11) << "at " << t;
            farthest = std::max(farthest, now);
            last = now;
        }
        EXPECT_NEAR(farthest, c.farthest, 1);
        EXPECT_EQ(last, c.target);
        EXPECT_EQ(rig.number("SLS", 20000), 0);
    }
}

TEST(SimMotion, SpeedChangesApplyToTheMotionUnderWay) {
    AxisRig rig;
    rig.send(kQuickProfile, 0);
    rig.send({"J+"}, 0);
    EXPECT_EQ(rig.ask("SSPD2000", 2000), "OK");
    EXPECT_EQ(rig.motionBits(2100), kAccel);
    EXPECT_EQ(rig.number("PS", 4000), 2000);
    EXPECT_EQ(rig.ask("SSPD500", 4000), "OK");
    EXPECT_EQ(rig.motionBits(4100), kDecel);
    EXPECT_EQ(rig.number("PS", 6000), 500);
    rig.send({"ABORT", "X20000"}, 6000);
    EXPECT_EQ(rig.ask("SSPD3000", 7000), "OK");
    EXPECT_EQ(rig.number("PX", 60000), 20000);
}

// What the device answers, and what a refused command leaves alone.
TEST(SimMotion, RepliesToCommandsAndKeys) {
    AxisRig rig;
    const struct {
        QString command;
        QString reply;
    } steps[] = {
        {"HSPD=1200", "OK"},
        {"HSPD", "1200"},
        {"HSPD=0", "?"},
        {"HSPD=12a", "?"},
        {"HSPD", "1200"},
        {"ACC=-5", "?"},
        {"SCV=1", "OK"},
        {"SCV", "1"},
        {"SCV=2", "?"},
        {"SSPDM=8", "OK"},
        {"SSPDM", "8"},
        {"SSPDM=9", "?"},
        {"MM", "0"},
        {"INC", "OK"},
        {"MM", "1"},
        {"X", "?"},
        {"X 25", "?"},
        {"X1.5", "?"},
        {"T100", "?NotMoving"},
        {"SSPD100", "?NotMoving"},
        {"DO2=1", "OK"},
        {"DO", "2"},
        {"DO2", "1"},
        {"DO1", "0"},
        {"DO=5", "OK"},
        {"DO3", "1"},
        {"DO=8", "?"},
        {"DI", "0"},
        {"LT", "0"},
        {"LT=2", "?"},
        {"EO", "1"},
        {"J+", "OK"},
        {"J-", "?Busy"},
        {"X5", "?Busy"},
        {"PX=0", "?Busy"},
        {"STOP", "OK"},
        {"NOTAKEY", "?"},
        {"LCA", "300"},
        {"ABORT", "OK"},
        {"PX=0", "OK"},
    };
    for (const auto& s : steps) {
        EXPECT_EQ(rig.ask(s.command, 0), s.reply) << s.command.toStdString();
    }
}

}  // namespace
