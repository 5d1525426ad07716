#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "sim/sim_bus.h"
#include "sim/sim_server.h"
#include "sim_axis_rig.h"

namespace {

constexpr qint64 kMinusLimit = 16, kPlusLimit = 32, kMinusError = 64, kPlusError = 128,
                 kLatchInput = 256;

// Running into a limit stops at once in error; towards it nothing moves, away from it the axis
// runs (still flagged) until "CLR".
TEST(SimAxisIo, LimitsStopMotionTowardsThem) {
    const struct {
        QString towards;
        QString away;
        qint64 limit;
        qint64 bits;
    } cases[] = {
        {"J+", "J-", 2345, kPlusLimit | kPlusError},
        {"J-", "J+", -2345, kMinusLimit | kMinusError},
        {"X99999", "X0", 2345, kPlusLimit | kPlusError},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.towards.toStdString());
        AxisRig rig;
        rig.device.motion.world.plusLimit = 2345;
        rig.device.motion.world.minusLimit = -2345;
        rig.send(kQuickProfile, 0);
        rig.send({c.towards}, 0);
        EXPECT_EQ(rig.number("PX", 30000), c.limit);
        EXPECT_EQ(rig.number("MST", 30000), c.bits);
        EXPECT_EQ(rig.number("SLS", 30000), 11);  // ERR-LIM

        rig.send({c.towards}, 30000);
        EXPECT_EQ(rig.number("PX", 31000), c.limit);
        EXPECT_EQ(rig.number("SLS", 31000), 11);

        rig.send({c.away}, 31000);
        EXPECT_LT(std::abs(rig.number("PX", 32000)), 2345);
        EXPECT_EQ(rig.number("MST", 32000) & (kMinusError | kPlusError),
                  c.bits & (kMinusError | kPlusError));
        rig.send({"ABORT", "CLR"}, 32000);
        EXPECT_EQ(rig.number("MST", 32000) & (kMinusError | kPlusError), 0);
        EXPECT_EQ(rig.number("SLS", 32200), 0);
    }
}

// A switch moved past the motor (by the operator) is on at once: no way further into it.
TEST(SimAxisIo, AMotorBeyondALimitCannotRunFurther) {
    AxisRig rig;
    rig.device.motion.world.plusLimit = -10;
    rig.device.motion.world.minusLimit = -20000;
    const qint64 limitBits = kPlusLimit | kPlusError | kMinusLimit | kMinusError;
    EXPECT_EQ(rig.number("MST", 0) & limitBits, kPlusLimit);
    rig.send({"J+"}, 0);
    EXPECT_EQ(rig.number("PX", 1000), 0);
    EXPECT_EQ(rig.number("MST", 1000) & limitBits, kPlusLimit | kPlusError);
}

TEST(SimAxisIo, LatchCapturesOnTheFirstEdgeWhileArmed) {
    AxisRig rig;
    SimMotion& motion = rig.device.motion;
    rig.send(kQuickProfile, 0);
    motion.setLatchInput(true, 0);  // not armed: no capture
    motion.setLatchInput(false, 0);
    EXPECT_EQ(rig.number("LTS", 0), 0);
    rig.send({"LT=1", "J+"}, 0);
    EXPECT_EQ(rig.number("LTS", 0), 1);
    const qint64 position = rig.number("PX", 1200);
    const qint64 encoder = rig.number("EX", 1200);
    motion.setLatchInput(true, 1200);
    EXPECT_EQ(rig.number("MST", 1200) & kLatchInput, kLatchInput);
    motion.setLatchInput(false, 1300);
    motion.setLatchInput(true, 1500);  // a second edge does not overwrite
    EXPECT_EQ(rig.number("LTS", 2000), 2);
    EXPECT_EQ(rig.number("LTP", 2000), position);
    EXPECT_EQ(rig.number("LTE", 2000), encoder);
    EXPECT_NE(position, encoder);  // captured while running: the encoder trails
    rig.send({"LT=0"}, 2000);
    EXPECT_EQ(rig.number("LTS", 2000), 0);
    EXPECT_EQ(rig.number("LTP", 2000), position);
}

// The sync output compares the position with "SYNP" by "SYNC" and stays on once met; a move
// crossing the position within one long step of the clock still meets "=".
TEST(SimAxisIo, SyncComesOnWhenThePositionMeetsTheComparison) {
    const struct {
        QString comparison;
        QString position;
        QString move;
        qint64 armed;  // "SYNS" right after "SYNO"
        qint64 after;  // ... once the move is over
    } cases[] = {
        {"1", "500", "X1000", 1, 2}, {"1", "2000", "X1000", 1, 1}, {"1", "0", "X1000", 2, 2},
        {"2", "-10", "X1000", 1, 1}, {"2", "-10", "X-1000", 1, 2}, {"3", "900", "X1000", 1, 2},
        {"3", "0", "X-5", 1, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE((c.comparison + " " + c.position + " " + c.move).toStdString());
        AxisRig rig;
        rig.send(kQuickProfile, 0);
        rig.send({"SYNC=" + c.comparison, "SYNP=" + c.position, "SYNO"}, 0);
        EXPECT_EQ(rig.number("SYNS", 0), c.armed);
        rig.send({c.move}, 0);
        EXPECT_EQ(rig.number("SYNS", 60000), c.after);
        rig.send({"SYNF"}, 60000);
        EXPECT_EQ(rig.number("SYNS", 60000), 0);
    }
    AxisRig rig;
    rig.send({"SYNC=4"}, 0);
    EXPECT_EQ(rig.ask("SYNO", 0), "?");
    EXPECT_EQ(rig.number("SYNS", 0), 0);
}

// Without enable nothing moves and no current flows; disabling stops a motion. The current is
// the run current while moving and for CURT ms after, then the idle current.
TEST(SimAxisIo, EnableAndCurrent) {
    AxisRig rig;
    rig.send(kQuickProfile, 0);
    EXPECT_EQ(rig.number("CUR", 0), 500);
    rig.send({"EO=0"}, 0);
    for (const char* refused : {"J+", "X100", "H+", "Z-"}) {
        EXPECT_EQ(rig.ask(refused, 0), "?Disabled") << refused;
    }
    EXPECT_EQ(rig.number("CUR", 0), 0);
    EXPECT_EQ(rig.number("PX", 1000), 0);
    rig.send({"EO=1", "J+"}, 1000);
    EXPECT_EQ(rig.number("CUR", 1500), 1500);
    rig.send({"EO=0"}, 2000);
    const qint64 stoppedAt = rig.number("PX", 2000);
    EXPECT_EQ(rig.number("PX", 3000), stoppedAt);
    EXPECT_EQ(rig.number("SLS", 3000), 0);
    rig.send({"EO=1", "CURR=1200", "CURT=300"}, 3000);
    EXPECT_EQ(rig.number("CUR", 3000), 500);  // idle for a second already
    rig.send({"J-"}, 3000);
    EXPECT_EQ(rig.number("CUR", 3500), 1200);
    rig.send({"ABORT"}, 4000);
    EXPECT_EQ(rig.number("CUR", 4299), 1200);
    EXPECT_EQ(rig.number("CUR", 4300), 500);
}

// With "AR=1" the end of a motion goes out as "$", the position and "STOP", also when a command was
// handled at the very moment the motion ended.
TEST(SimAxisIo, AutoResponseAtTheEndOfAMotion) {
    SimBus bus;
    bus.addDevice(1);
    const auto lines = [&bus](qint64 atMs) {
        QList<QByteArray> out;
        for (const SimOutput& o : bus.advanceTo(atMs)) {
            out << o.bytes;
        }
        return out;
    };
    bus.receive("@01X1000\r", 9600, 0);
    EXPECT_TRUE(lines(30000).isEmpty());  // AR off
    bus.receive("@01AR=1\r", 9600, 30000);
    bus.receive("@01HSPD=1000\r", 9600, 30000);
    bus.receive("@01X1000\r", 9600, 30000);  // already there: done at once
    EXPECT_EQ(lines(30000), QList<QByteArray>{"$1000STOP\r"});
    bus.receive("@01X-234\r", 9600, 30000);
    EXPECT_TRUE(lines(31000).isEmpty());
    bus.receive("@01PX\r", 9600, 60000);
    EXPECT_EQ(lines(60000), QList<QByteArray>{"$-234STOP\r"});
    EXPECT_TRUE(lines(60001).isEmpty());
}

// The motor keeps its place through a power cycle: the counters restart at 0, the switches
// stay where they are.
TEST(SimAxisIo, PowerCycleRestartsTheCountersNotTheWorld) {
    AxisRig rig;
    rig.device.motion.world.plusLimit = 2000;
    rig.send(kQuickProfile + QStringList{"X1500", "HSPD=3000"}, 0);
    rig.device.powerCycle(30000);
    EXPECT_EQ(rig.number("PX", 30000), 0);
    EXPECT_EQ(rig.number("HSPD", 30000), 1000);
    rig.send({"J+"}, 30000);
    EXPECT_EQ(rig.number("PX", 60000), 500);
}

TEST(SimAxisIo, ControlLinesSetTheSurroundings) {
    QTemporaryDir dir;
    SimServer server({dir.path(), false, 2, QString()});
    SimDevice& device = server.addPort(1).addDevice(5);
    const struct {
        QString line;
        QString reply;
    } steps[] = {
        {"input 5 3 on", "ok"},    {"input 5 7 on", "error"}, {"input 5 1 maybe", "error"},
        {"latch 5 on", "ok"},      {"limit 5 + 2000", "ok"},  {"limit 5 - 2000", "error"},
        {"limit 5 - -700", "ok"},  {"limit 5 * 5", "error"},  {"home 5 1234", "ok"},
        {"home 5 12.5", "error"},  {"index 5 250", "ok"},     {"index 5 0", "error"},
        {"input 9 1 on", "error"}, {"silent 5 off", "ok"},
    };
    for (const auto& s : steps) {
        EXPECT_TRUE(server.control(s.line).startsWith(s.reply)) << s.line.toStdString();
    }
    const SimWorld& w = device.motion.world;
    EXPECT_EQ(device.handle("DI", 0), "4");
    EXPECT_TRUE(w.latchInput);
    EXPECT_EQ(w.plusLimit, 2000);
    EXPECT_EQ(w.minusLimit, -700);
    EXPECT_EQ(w.home, 1234);
    EXPECT_EQ(w.indexEvery, 250);
}

}  // namespace
