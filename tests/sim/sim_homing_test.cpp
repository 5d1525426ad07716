#include <gtest/gtest.h>

#include "sim_axis_rig.h"

namespace {

constexpr qint64 kHome = 8, kMinusLimit = 16, kPlusLimit = 32, kMinusError = 64, kPlusError = 128,
                 kIndex = 512;

struct World {
    qint64 home = 3000;
    qint64 plusLimit = 100000;
    qint64 minusLimit = -100000;
};

// Every homing ends at rest with position 0 exactly where its signal switches: one step back
// the way it came from (the probe) the signal is off again.
TEST(SimHoming, EveryVariantEndsAtZeroOnItsSignal) {
    const struct {
        QString command;
        World world;
        qint64 guard;   // Pos Guard state on the way
        qint64 signal;  // "MST" bits on at the end
        QString probe;  // one step off the signal
        qint64 edge;    // the bit that the probe switches off
    } cases[] = {
        {"H+", {}, 6, kHome, "X-1", kHome},
        {"H-", {-3000}, 6, kHome, "X1", kHome},
        {"H+", {30}, 6, kHome, "X-1", kHome},  // starts on the switch: creeps back to its edge
        {"HL+", {-3000, 5000}, 6, kHome, "X1", kHome},           // turns round at the + limit
        {"HL-", {3000, 100000, -5000}, 6, kHome, "X-1", kHome},  // ... at the - limit
        {"L+", {0, 5000}, 6, kPlusLimit, "X-1", kPlusLimit},
        {"L-", {0, 100000, -5000}, 6, kMinusLimit, "X1", kMinusLimit},
        {"Z+", {}, 7, kIndex, "X-1", kIndex},
        {"Z-", {}, 7, kIndex, "X1", kIndex},
        {"ZH+", {}, 6, kIndex | kHome, "X-1", kIndex},
        {"ZH-", {-3000}, 6, kIndex | kHome, "X1", kIndex},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.command.toStdString() + " home " + std::to_string(c.world.home));
        AxisRig rig;
        SimWorld& w = rig.device.motion.world;
        w.home = c.world.home;
        w.plusLimit = c.world.plusLimit;
        w.minusLimit = c.world.minusLimit;
        rig.send(kQuickProfile, 0);
        rig.send({c.command}, 0);
        EXPECT_EQ(rig.number("SLS", 100), c.guard);
        EXPECT_EQ(rig.number("SLS", 200000), 0);
        EXPECT_EQ(rig.number("PX", 200000), 0);
        EXPECT_EQ(rig.number("EX", 200000), 0);
        const qint64 status = rig.number("MST", 200000);
        EXPECT_EQ(status & c.signal, c.signal);
        EXPECT_EQ(status & (kMinusError | kPlusError), 0);
        rig.send({c.probe}, 200000);
        EXPECT_EQ(rig.number("MST", 210000) & c.edge, 0) << "after " << c.probe.toStdString();
    }
}

// H and ZH do not turn round: a home switch behind them leaves them on the limit, in error.
// HL turns round once: without a home switch between the limits it ends on the other one.
TEST(SimHoming, WithoutAHomeSwitchAheadHomingEndsOnALimitInError) {
    const struct {
        QString command;
        qint64 home;
        qint64 position;
        qint64 status;
    } cases[] = {
        {"H+", -3000, 4321, kPlusLimit | kPlusError},
        {"ZH-", 3000, -4321, kMinusLimit | kMinusError},
        {"HL+", 200000, -4321, kMinusLimit | kMinusError},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.command.toStdString());
        AxisRig rig;
        SimWorld& w = rig.device.motion.world;
        w.home = c.home;
        w.plusLimit = 4321;
        w.minusLimit = -4321;
        rig.send(kQuickProfile, 0);
        rig.send({c.command}, 0);
        EXPECT_EQ(rig.number("PX", 60000), c.position);
        EXPECT_EQ(rig.number("SLS", 60000), 11);
        EXPECT_EQ(rig.number("MST", 60000), c.status);
    }
}

}  // namespace
