#include "sim/sim_ramp.h"

#include <algorithm>
#include <cmath>

namespace {

// Share of the speed change reached at u (0..1) of a ramp, and its integral over [0, u].
double shape(bool smooth, double u) {
    return smooth ? u * u * (3 - 2 * u) : u;
}

double shapeIntegral(bool smooth, double u) {
    return smooth ? u * u * u - u * u * u * u / 2 : u * u / 2;
}

void appendRamp(Plan& plan, double from, double to, double rate, bool smooth) {
    if (from != to) {
        plan.push_back({from, to, std::abs(to - from) / rate * 1000.0, smooth});
    }
}

void appendRun(Plan& plan, double speed, double steps) {
    if (steps > 0 && speed > 0) {
        plan.push_back({speed, speed, steps / speed * 1000.0, false});
    }
}

}  // namespace

double segmentSpeed(const Segment& s, double atMs) {
    if (s.v0 == s.v1 || s.ms <= 0) {
        return s.v1;
    }
    return s.v0 + (s.v1 - s.v0) * shape(s.smooth, std::clamp(atMs / s.ms, 0.0, 1.0));
}

double segmentDistance(const Segment& s, double atMs) {
    if (s.v0 == s.v1 || s.ms <= 0) {
        return s.v0 * atMs / 1000.0;
    }
    const double u = std::clamp(atMs / s.ms, 0.0, 1.0);
    return (s.v0 * atMs + (s.v1 - s.v0) * s.ms * shapeIntegral(s.smooth, u)) / 1000.0;
}

double segmentTimeTo(const Segment& s, double distance) {
    if (s.v0 == s.v1) {
        return s.v0 > 0 ? std::min(distance / s.v0 * 1000.0, s.ms) : 0.0;
    }
    // The distance grows monotonically (speeds are never negative): halve the interval; 60
    // rounds are below a double's resolution for any ramp.
    double low = 0;
    double high = s.ms;
    for (int i = 0; i < 60; ++i) {
        const double mid = (low + high) / 2;
        (segmentDistance(s, mid) < distance ? low : high) = mid;
    }
    return high;
}

double brakingDistance(double speed, const RampLimits& r) {
    const double vs = r.startSpeed;
    return speed > vs ? (speed * speed - vs * vs) / (2 * r.decel) : 0.0;
}

std::optional<Plan> planMove(double speed, double distance, const RampLimits& r) {
    const double vs = r.startSpeed;
    const double v0 = std::max(speed, vs);
    const double braking = brakingDistance(v0, r);
    // A rounding hair over the distance is fine: the move snaps onto its target when it ends.
    if (braking > distance + 1e-6) {
        return std::nullopt;
    }
    Plan plan;
    if (v0 > r.topSpeed) {
        // Running faster than the new top speed (after a speed change): slow down first.
        appendRamp(plan, v0, r.topSpeed, r.decel, r.smooth);
        appendRun(plan, r.topSpeed, distance - braking);
        appendRamp(plan, r.topSpeed, vs, r.decel, r.smooth);
        return plan;
    }
    // Peak speed where the ramp up at accel meets the ramp down at decel.
    const double a = r.accel;
    const double d = r.decel;
    const double peak2 = (2 * a * d * distance + d * v0 * v0 + a * vs * vs) / (a + d);
    const double peak = std::clamp(std::sqrt(std::max(peak2, 0.0)), v0, r.topSpeed);
    const double up = (peak * peak - v0 * v0) / (2 * a);
    appendRamp(plan, v0, peak, a, r.smooth);
    appendRun(plan, peak, distance - up - brakingDistance(peak, r));
    appendRamp(plan, peak, vs, d, r.smooth);
    return plan;
}

Plan planRun(double speed, double toSpeed, const RampLimits& r) {
    const double v0 = std::max(speed, r.startSpeed);
    Plan plan;
    appendRamp(plan, v0, toSpeed, toSpeed > v0 ? r.accel : r.decel, r.smooth);
    plan.push_back({toSpeed, toSpeed, kForever, false});
    return plan;
}

Plan planStop(double speed, const RampLimits& r) {
    Plan plan;
    if (speed > r.startSpeed) {
        appendRamp(plan, speed, r.startSpeed, r.decel, r.smooth);
    }
    return plan;
}
