#include <gtest/gtest.h>

#include <cmath>

#include "sim/sim_ramp.h"

namespace {

double planDistance(const Plan& plan) {
    double sum = 0;
    for (const Segment& s : plan) {
        sum += segmentDistance(s, s.ms);
    }
    return sum;
}

RampLimits limits(double start, double top, double accel, double decel, bool smooth) {
    return {start, top, accel, decel, smooth};
}

// Every move plan covers exactly its distance, starts at the present speed (or the start
// speed), ends at the start speed and never runs faster than the top speed once it is there.
TEST(SimRamp, MovePlansCoverTheirDistanceWithinTheSpeedLimits) {
    const struct {
        double speed;
        double distance;
        RampLimits r;
    } cases[] = {
        {0, 1000, limits(100, 1000, 1000, 1000, false)},    // trapezoid with a short cruise
        {0, 10, limits(100, 1000, 1000, 1000, false)},      // triangle, far below top speed
        {0, 100000, limits(300, 5000, 20000, 500, true)},   // S-curve, slow braking
        {0, 0, limits(300, 1000, 300, 300, false)},         // nothing to do
        {800, 5000, limits(100, 1000, 1000, 3000, false)},  // from a run already under way
        {2000, 5000, limits(100, 1000, 1000, 3000, true)},  // faster than the new top speed
        {0, 7, limits(1000, 1000, 1, 1, false)},            // start speed is top speed
    };
    for (const auto& c : cases) {
        const auto plan = planMove(c.speed, c.distance, c.r);
        ASSERT_TRUE(plan.has_value()) << c.distance;
        EXPECT_NEAR(planDistance(*plan), c.distance, 1e-6 * std::max(1.0, c.distance));
        if (plan->empty()) {
            continue;
        }
        EXPECT_DOUBLE_EQ(plan->front().v0, std::max(c.speed, c.r.startSpeed));
        EXPECT_DOUBLE_EQ(plan->back().v1, c.r.startSpeed);
        for (size_t i = 1; i < plan->size(); ++i) {
            EXPECT_LE((*plan)[i].v0, c.r.topSpeed + 1e-9) << c.distance << " segment " << i;
            EXPECT_DOUBLE_EQ((*plan)[i].v0, (*plan)[i - 1].v1) << "speed jumps";
        }
    }
}

TEST(SimRamp, AMotorTooFastToStopGetsNoMovePlan) {
    const RampLimits r = limits(100, 1000, 1000, 1000, false);
    EXPECT_FALSE(planMove(1000, 100, r).has_value());  // needs 495 steps to brake
    EXPECT_TRUE(planMove(1000, 495, r).has_value());
    EXPECT_NEAR(brakingDistance(1000, r), 495, 1e-9);
}

// The S-curve keeps the time and distance of the straight ramp but starts and ends gently.
TEST(SimRamp, SCurveRampsMatchStraightOnesAtTheEndsButNotOnTheWay) {
    const Segment straight{100, 1100, 1000, false};
    const Segment smooth{100, 1100, 1000, true};
    EXPECT_DOUBLE_EQ(segmentDistance(straight, 1000), segmentDistance(smooth, 1000));
    EXPECT_DOUBLE_EQ(segmentSpeed(smooth, 500), 600);
    EXPECT_LT(segmentSpeed(smooth, 100), segmentSpeed(straight, 100));
    EXPECT_GT(segmentSpeed(smooth, 900), segmentSpeed(straight, 900));
    for (double distance : {0.0, 1.0, 250.0, 599.9}) {
        EXPECT_NEAR(segmentDistance(smooth, segmentTimeTo(smooth, distance)), distance, 1e-6);
    }
}

}  // namespace
