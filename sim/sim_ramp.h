#pragma once

#include <deque>
#include <limits>
#include <optional>

// One piece of a speed profile: the speed goes from v0 to v1 (steps/s, both >= 0) within ms
// milliseconds, in a straight line or along a smooth S-shaped curve. v0 == v1 is a run at
// constant speed; its ms may be infinite (a jog runs until something stops it).
//
// The S-curve takes as long as the straight ramp and covers the same distance (its speed meets
// the straight line halfway), so braking distances and move plans do not depend on the shape.
struct Segment {
    double v0 = 0;
    double v1 = 0;
    double ms = 0;
    bool smooth = false;
};

inline constexpr double kForever = std::numeric_limits<double>::infinity();

double segmentSpeed(const Segment& s, double atMs);
// Steps covered from the start of the segment after atMs (0 <= atMs <= ms).
double segmentDistance(const Segment& s, double atMs);
// When the segment has covered the given distance (inverse of segmentDistance).
double segmentTimeTo(const Segment& s, double distance);

// What a plan is built from: speeds in steps/s, rates in steps/s². The motor starts and stops
// at the start speed without a ramp, as a stepper does.
struct RampLimits {
    double startSpeed = 1;
    double topSpeed = 1;
    double accel = 1;
    double decel = 1;
    bool smooth = false;
};

using Plan = std::deque<Segment>;

// Steps needed to slow from speed down to the start speed.
double brakingDistance(double speed, const RampLimits& r);
// From speed (0: standing) over distance steps, arriving at the start speed, then standing.
// Nothing when the motor runs too fast to stop within the distance.
std::optional<Plan> planMove(double speed, double distance, const RampLimits& r);
// From speed to toSpeed, then on at toSpeed for ever (a jog, or a new jog speed).
Plan planRun(double speed, double toSpeed, const RampLimits& r);
// From speed down to the start speed (empty when already there: the motor stops at once).
Plan planStop(double speed, const RampLimits& r);
