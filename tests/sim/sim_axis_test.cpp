// The simulated axis: ramps, jog, moves, on-the-fly changes, homing, limits and the IO.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <tuple>

#include "sim/sim_device.h"
#include "sim/sim_ramp.h"
#include "support/qt_printers.h"

namespace {

constexpr qint64 kHome = 8, kMinusLimit = 16, kPlusLimit = 32, kMinusError = 64, kPlusError = 128,
                 kLatchInput = 256, kIndex = 512, kErrors = kMinusError | kPlusError;

// A quick profile for the tests: ramps of 0.9 s between 100 and 1000 steps/s, so a jog is 495
// steps on after 0.9 s and then runs 1 step per ms.
const QStringList kQuickProfile = {"HSPD=1000", "LSPD=100", "ACC=1000", "DEC=1000"};

// A time on the virtual clock (ms), a command and the answer it must get.
using Look = std::tuple<qint64, const char*, const char*>;

// One simulated device driven by command texts at given times, set up at time 0 with the quick
// profile unless told otherwise. "MST&7" asks for the motion bits of "MST": 1 constant speed, 2
// accelerating, 4 decelerating.
struct AxisRig {
    explicit AxisRig(const QStringList& setup = kQuickProfile) { send(setup, 0); }
    QString ask(const QString& command, qint64 atMs) {
        if (command == "MST&7") {
            return QString::number(number("MST", atMs) & 7);
        }
        return device.handle(command, atMs).value_or(QStringLiteral("<no reply>"));
    }
    qint64 number(const QString& command, qint64 atMs) {
        bool ok = false;
        const qint64 value = ask(command, atMs).toLongLong(&ok);
        EXPECT_TRUE(ok) << command.toStdString() << " at " << atMs;
        return value;
    }
    // Commands that must all be accepted.
    void send(const QStringList& commands, qint64 atMs) {
        for (const QString& c : commands) {
            EXPECT_EQ(ask(c, atMs), "OK") << c.toStdString();
        }
    }
    template <typename Script>
    void play(const Script& script) {
        for (const auto& [at, command, reply] : script) {
            EXPECT_EQ(ask(command, at), reply) << command << " at " << at;
        }
    }

    SimDevice device{1, 9600};
    SimWorld& world = device.motion.world;
};

// A jog ramps from LSPD to HSPD, runs, and after STOP ramps down and rests; the same with
// either ramp shape. With these figures each ramp takes 700 ms and covers 455 steps: the motor is
// at 455 + 300 after 1 s, and STOP at 2 s leaves it at 455 + 1300 + 455 = 2210. JOGGING (5)
// while accelerating and at constant speed, STOPPING (3) while decelerating; the encoder trails
// a little on the way.
TEST(SimMotion, JogRampsUpRunsAndStopsOnARamp) {
    const Look script[] = {{0, "J+", "OK"},      {100, "MST&7", "2"},  {100, "SLS", "5"},
                           {1000, "MST&7", "1"}, {1000, "SLS", "5"},   {1000, "PS", "1000"},
                           {1000, "PX", "755"},  {1000, "EX", "753"},  {1000, "DX", "2"},
                           {1999, "MST&7", "1"}, {1999, "SLS", "5"},   {2000, "PX", "1755"},
                           {2000, "STOP", "OK"}, {2100, "MST&7", "4"}, {2100, "SLS", "3"},
                           {2701, "MST&7", "0"}, {3000, "SLS", "0"},   {3000, "PS", "0"},
                           {3000, "DX", "0"},    {3000, "PX", "2210"}, {3000, "EX", "2210"}};
    const QStringList profile = {"HSPD=1000", "LSPD=300", "ACC=1000", "DEC=1000"};
    for (const char* scurve : {"SCV=0", "SCV=1"}) {
        SCOPED_TRACE(scurve);
        AxisRig(profile + QStringList{scurve}).play(script);
    }
    // The S-curve ramp starts and ends more gently than the straight one.
    AxisRig straight(profile + QStringList{"J+"}), smooth(profile + QStringList{"SCV=1", "J+"});
    EXPECT_LT(smooth.number("PS", 100), straight.number("PS", 100));
    EXPECT_GT(smooth.number("PS", 600), straight.number("PS", 600));
}

// "X" moves land exactly on their target, absolute or relative, whatever the shape of their
// speed profile, and the encoder ends where the position does.
TEST(SimMotion, MovesLandOnTheirTargets) {
    const struct {
        QStringList setup;  // at rest, before the move
        QString move;
        qint64 target;
    } cases[] = {
        {{}, "X1000", 1000},  // ramps with a short run at speed between them
        {{"SCV=1"}, "X-12345", -12345},
        {{"PX=500", "INC"}, "X-200", 300},
        {{"PX=500", "MM=1", "ABS"}, "X-200", -200},
        {{"PX=7", "EX=9"}, "X7", 7},  // already there
        {{"INC"}, "X3", 3},           // shorter than any ramp
        {{"LSPD=1000"}, "X7", 7},     // no ramp at all
        {{"PX=-2147483000"}, "X-2147483648", -2147483648LL},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.move.toStdString());
        AxisRig rig(kQuickProfile + c.setup);
        const qint64 start = rig.number("PX", 0);
        const qint64 encoderShift = rig.number("EX", 0) - start;
        rig.send({c.move}, 0);
        EXPECT_EQ(rig.number("SLS", 1), c.target == start ? 0 : 1);  // MOVING
        EXPECT_EQ(rig.number("PX", 60000), c.target);
        EXPECT_EQ(rig.number("EX", 60000), c.target + encoderShift);
        EXPECT_EQ(rig.number("MST", 60000) & 7, 0);
        EXPECT_EQ(rig.number("SLS", 60000), 0);
    }
}

// X1000 with the quick profile: 0.9 s up to 1000 steps/s, 10 steps at speed, 0.9 s down.
TEST(SimMotion, AMoveTakesTheTimeOfItsProfile) {
    const Look script[] = {{0, "X1000", "OK"},   {450, "MST&7", "2"}, {905, "MST&7", "1"},
                           {1500, "MST&7", "4"}, {1800, "SLS", "1"},  {1811, "PX", "1000"},
                           {1811, "SLS", "0"}};
    AxisRig().play(script);
}

// ABORT holds a jog where it is at once (ABORTING, 4, shows briefly), where STOP ramps down
// (see the jog above).
TEST(SimMotion, AbortStopsAtOnce) {
    const Look script[] = {{0, "J+", "OK"},      {1500, "PX", "1095"}, {1500, "ABORT", "OK"},
                           {1500, "PS", "0"},    {1500, "SLS", "4"},   {1500, "MST&7", "0"},
                           {5000, "PX", "1095"}, {5000, "SLS", "0"}};
    AxisRig().play(script);
}

// Speed and target changes need a motion under way; a new motion or a new position waits for
// rest.
TEST(SimMotion, ChangesApplyToTheMotionUnderWayNewMotionsWaitForRest) {
    const Look script[] = {
        {0, "T100", "?NotMoving"}, {0, "SSPD100", "?NotMoving"}, {0, "J+", "OK"},
        {0, "J-", "?Busy"},        {0, "X5", "?Busy"},           {0, "PX=0", "?Busy"},
        {2000, "SSPD2000", "OK"},  {2100, "MST&7", "2"},         {4000, "PS", "2000"},
        {4000, "SSPD500", "OK"},   {4100, "MST&7", "4"},         {6000, "PS", "500"},
        {6000, "ABORT", "OK"},     {6000, "X20000", "OK"},       {7000, "SSPD3000", "OK"},
        {9000, "SSPD500", "OK"},   {60000, "PX", "20000"},       {60000, "PX=0", "OK"}};
    AxisRig().play(script);
}

// On-the-fly changes: a new target ahead, behind, or too close to stop for. The motor never
// jumps (at most HSPD x 10 ms between two looks 10 ms apart) and brakes past a target it
// cannot stop for (495 steps from full speed) before it comes back.
TEST(SimMotion, OnTheFlyTargetsAreReachedExactly) {
    // At a time, a change to a target; the largest position on the way.
    const struct {
        QString change;
        qint64 at, target, farthest;
    } cases[] = {
        {"T5000", 500, 5000, 5000},   // further on
        {"T200", 1000, 200, 1090},    // behind the motor: brakes, then comes back
        {"T1500", 1500, 1500, 1590},  // too close to stop: overshoots, then comes back
        {"T-300", 100, -300, 30},     // the other way
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.change.toStdString());
        AxisRig rig(kQuickProfile + QStringList{"X3000"});
        qint64 last = 0;
        qint64 farthest = 0;
        for (qint64 t = 10; t <= 20000; t += 10) {
            if (t == c.at) {
                rig.send({c.change}, t);
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

// What the device answers at rest, and what a refused command leaves alone.
TEST(SimMotion, RepliesToCommandsAndKeys) {
    const Look replies[] = {
        {0, "HSPD=1200", "OK"}, {0, "HSPD=0", "?"},  {0, "HSPD=12a", "?"}, {0, "HSPD", "1200"},
        {0, "ACC=-5", "?"},     {0, "SCV=1", "OK"},  {0, "SCV=2", "?"},    {0, "SCV", "1"},
        {0, "SSPDM=8", "OK"},   {0, "SSPDM=9", "?"}, {0, "SSPDM", "8"},    {0, "MM", "0"},
        {0, "INC", "OK"},       {0, "MM", "1"},      {0, "X", "?"},        {0, "X 25", "?"},
        {0, "X1.5", "?"},       {0, "DO2=1", "OK"},  {0, "DO", "2"},       {0, "DO2", "1"},
        {0, "DO1", "0"},        {0, "DO=5", "OK"},   {0, "DO3", "1"},      {0, "DO=8", "?"},
        {0, "DI", "0"},         {0, "LT", "0"},      {0, "LT=2", "?"},     {0, "EO", "1"},
        {0, "NOTAKEY", "?"},    {0, "LCA", "300"}};
    AxisRig().play(replies);
}

// Every homing ends at rest with position 0 exactly where its signal switches: one step back
// the way it came from (the probe) the signal is off again. H and ZH do not turn round, so a
// home switch behind them leaves them on the limit, in error (ERR-LIM, 11); HL turns round
// once, so without a home switch between the limits it ends on the other one.
TEST(SimHoming, EachVariantEndsOnItsSignalOrOnALimitInError) {
    // The world (+ limit, - limit, home), Pos Guard state on the way, "PX" and "MST" at the end,
    // a step off the signal (the probe) and the bit that it switches off.
    const struct {
        QString command;
        SimWorld world;
        qint64 guard, end, status;
        QString probe;
        qint64 edge;
    } cases[] = {
        {"H+", {100000, -100000, 3000}, 6, 0, kHome, "X-1", kHome},
        {"H-", {100000, -100000, -3000}, 6, 0, kHome, "X1", kHome},
        {"H+", {100000, -100000, 30}, 6, 0, kHome, "X-1", kHome},   // creeps back to the edge
        {"HL+", {5000, -100000, -3000}, 6, 0, kHome, "X1", kHome},  // turns at the + limit
        {"HL-", {100000, -5000, 3000}, 6, 0, kHome, "X-1", kHome},  // ... at the - limit
        {"L+", {5500, -100000, 0}, 6, 0, kPlusLimit, "X-1", kPlusLimit},
        {"L-", {100000, -5500, 0}, 6, 0, kMinusLimit, "X1", kMinusLimit},
        {"Z+", {100000, -100000, 3000}, 7, 0, kIndex, "X-1", kIndex},
        {"Z-", {100000, -100000, 3000}, 7, 0, kIndex, "X1", kIndex},
        {"ZH+", {100000, -100000, 3000}, 6, 0, kIndex | kHome, "X-1", kIndex},
        {"ZH-", {100000, -100000, -3000}, 6, 0, kIndex | kHome, "X1", kIndex},
        {"H+", {4321, -4321, -3000}, 6, 4321, kPlusLimit | kPlusError, "", 0},
        {"ZH-", {4321, -4321, 3000}, 6, -4321, kMinusLimit | kMinusError, "", 0},
        {"HL+", {4321, -4321, 200000}, 6, -4321, kMinusLimit | kMinusError, "", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.command.toStdString() + " home " + std::to_string(c.world.home));
        AxisRig rig;
        rig.world = c.world;
        rig.send({c.command}, 0);
        EXPECT_EQ(rig.number("SLS", 100), c.guard);
        EXPECT_EQ(rig.number("SLS", 200000), c.status & kErrors ? 11 : 0);
        EXPECT_EQ(rig.number("PX", 200000), c.end);
        EXPECT_EQ(rig.number("EX", 200000), c.end);
        EXPECT_EQ(rig.number("MST", 200000), c.status);
        if (!c.probe.isEmpty()) {
            rig.send({c.probe}, 200000);
            EXPECT_EQ(rig.number("MST", 210000) & c.edge, 0) << c.probe.toStdString();
        }
    }
}

// Running into a limit stops at once in error; towards it nothing moves, away from it the axis
// runs (still flagged) until "CLR". A switch already past the motor (moved by the operator) is
// on at once: no way further into it.
TEST(SimAxisIo, LimitsStopMotionTowardsThem) {
    // Commands towards the limit and away from it, where the + limit is, where the motor stops
    // and "MST" there.
    const struct {
        QString towards, away;
        qint64 plusLimit, stop, bits;
    } cases[] = {
        {"J+", "J-", 2345, 2345, kPlusLimit | kPlusError},
        {"J+", "J-", 300, 300, kPlusLimit | kPlusError},  // met while accelerating
        {"J-", "J+", 2345, -2345, kMinusLimit | kMinusError},
        {"X99999", "X0", 2345, 2345, kPlusLimit | kPlusError},
        {"J+", "J-", -10, 0, kPlusLimit | kPlusError | kHome | kIndex},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.towards.toStdString() + " to " + std::to_string(c.plusLimit));
        AxisRig rig;
        rig.world = {c.plusLimit, -2345};
        EXPECT_EQ(rig.number("MST", 0) & kPlusLimit, c.plusLimit < 0 ? kPlusLimit : 0);
        for (const qint64 at : {0, 30000}) {
            rig.send({c.towards}, at);
            EXPECT_EQ(rig.number("PX", at + 30000), c.stop);
            EXPECT_EQ(rig.number("MST", at + 30000), c.bits);
            EXPECT_EQ(rig.number("SLS", at + 30000), 11);  // ERR-LIM
        }
        rig.send({c.away}, 60000);
        const qint64 away = rig.number("PX", 61000);
        EXPECT_TRUE(away > -2345 && away < std::max<qint64>(c.plusLimit, 0)) << away;
        EXPECT_EQ(rig.number("MST", 61000) & kErrors, c.bits & kErrors);
        rig.send({"ABORT", "CLR"}, 61000);
        EXPECT_EQ(rig.number("MST", 61000) & kErrors, 0);
        EXPECT_EQ(rig.number("SLS", 61200), 0);
    }
}

// The latch captures position and encoder on the first rising edge of its input while armed.
// Here a jog is at 495 + 300 after 1.2 s, with the encoder 2 steps behind.
TEST(SimAxisIo, LatchCapturesOnTheFirstEdgeWhileArmed) {
    AxisRig rig;
    SimMotion& motion = rig.device.motion;
    motion.setLatchInput(true, 0);  // not armed: no capture
    motion.setLatchInput(false, 0);
    const Look arming[] = {{0, "LTS", "0"}, {0, "LT=1", "OK"},   {0, "J+", "OK"},
                           {0, "LTS", "1"}, {1200, "PX", "795"}, {1200, "EX", "793"}};
    rig.play(arming);
    motion.setLatchInput(true, 1200);
    EXPECT_EQ(rig.number("MST", 1200) & kLatchInput, kLatchInput);
    motion.setLatchInput(false, 1300);
    motion.setLatchInput(true, 1500);  // a second edge does not overwrite
    const Look captured[] = {{2000, "LTS", "2"},   {2000, "LTP", "795"}, {2000, "LTE", "793"},
                             {2000, "LT=0", "OK"}, {2000, "LTS", "0"},   {2000, "LTP", "795"}};
    rig.play(captured);
}

// The sync output compares the position with "SYNP" by "SYNC" and stays on once met; a move
// crossing the position within one long step of the clock still meets "=". SYNC=4 is none.
TEST(SimAxisIo, SyncComesOnWhenThePositionMeetsTheComparison) {
    // "SYNC", "SYNP", the move, the reply to "SYNO", "SYNS" right after it and after the move.
    const struct {
        const char *comparison, *position, *move, *arming, *armed, *after;
    } cases[] = {
        {"1", "500", "X1000", "OK", "1", "2"},  {"1", "2000", "X1000", "OK", "1", "1"},
        {"1", "0", "X1000", "OK", "2", "2"},    {"2", "-10", "X1000", "OK", "1", "1"},
        {"2", "-10", "X-1000", "OK", "1", "2"}, {"3", "900", "X1000", "OK", "1", "2"},
        {"3", "0", "X-5", "OK", "1", "1"},      {"4", "0", "X5", "?", "0", "0"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.comparison) + " " + c.position + " " + c.move);
        AxisRig rig(kQuickProfile +
                    QStringList{QString("SYNC=") + c.comparison, QString("SYNP=") + c.position});
        const Look script[] = {{0, "SYNO", c.arming}, {0, "SYNS", c.armed},
                               {0, c.move, "OK"},     {60000, "SYNS", c.after},
                               {60000, "SYNF", "OK"}, {60000, "SYNS", "0"}};
        rig.play(script);
    }
}

// Without enable nothing moves and no current flows; disabling stops a motion. The current is
// the run current while moving and for CURT ms after, then the idle current.
TEST(SimAxisIo, EnableAndCurrent) {
    const Look script[] = {
        {0, "CUR", "500"},        {0, "EO=0", "OK"},         {0, "J+", "?Disabled"},
        {0, "X100", "?Disabled"}, {0, "H+", "?Disabled"},    {0, "Z-", "?Disabled"},
        {0, "CUR", "0"},          {1000, "PX", "0"},         {1000, "EO=1", "OK"},
        {1000, "J+", "OK"},       {1500, "CUR", "1500"},     {2000, "EO=0", "OK"},
        {2000, "PX", "595"},      {3000, "PX", "595"},       {3000, "SLS", "0"},
        {3000, "EO=1", "OK"},     {3000, "CURR=1200", "OK"}, {3000, "CURT=300", "OK"},
        {3000, "CUR", "500"},     {3000, "J-", "OK"},        {3500, "CUR", "1200"},
        {4000, "ABORT", "OK"},    {4299, "CUR", "1200"},     {4300, "CUR", "500"}};
    AxisRig().play(script);
}

// With "AR=1" the end of a motion goes out as "$", the position and "STOP", also when a command
// was handled at the very moment the motion ended (the line frames it like a reply).
TEST(SimAxisIo, AutoResponseAtTheEndOfAMotion) {
    AxisRig rig(kQuickProfile + QStringList{"X1000"});
    const auto sent = [&rig](qint64 atMs) { return rig.device.advanceTo(atMs).value_or("none"); };
    EXPECT_EQ(sent(30000), "none");      // AR off
    rig.send({"AR=1", "X1000"}, 30000);  // there already: done at once
    EXPECT_EQ(sent(30000), "$1000STOP");
    rig.send({"X-234"}, 30000);
    EXPECT_EQ(sent(31000), "none");
    EXPECT_EQ(rig.ask("PX", 60000), "-234");
    EXPECT_EQ(sent(60000), "$-234STOP");
    EXPECT_EQ(sent(60000), "none");
}

// The motor keeps its place through a power cycle: the counters restart at 0, the switches
// stay where they are.
TEST(SimAxisIo, PowerCycleRestartsTheCountersNotTheWorld) {
    AxisRig rig(kQuickProfile + QStringList{"X1500", "HSPD=3000"});
    rig.world.plusLimit = 2000;
    rig.device.powerCycle(30000);
    const Look script[] = {
        {30000, "PX", "0"}, {30000, "HSPD", "1000"}, {30000, "J+", "OK"}, {60000, "PX", "500"}};
    rig.play(script);
}

}  // namespace
