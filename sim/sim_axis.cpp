#include "sim/sim_axis.h"

#include <algorithm>
#include <cmath>

SimAxis::Step SimAxis::advance(double ms, const Watch& watch) {
    const double nearest = std::min(watch.limit, watch.goal);
    double left = ms;
    double travelled = 0;
    // Each round either finishes a segment, uses up the time or meets a watched point, so a
    // plan of n segments takes at most n + 1 rounds; the bound only guards against surprises.
    for (int round = 0; round < 64 && left > 0 && !plan_.empty(); ++round) {
        const Segment& s = plan_.front();
        const bool finishes = left >= s.ms - elapsedMs_;
        const double slice = finishes ? s.ms - elapsedMs_ : left;
        const double from = segmentDistance(s, elapsedMs_);
        const double to = segmentDistance(s, elapsedMs_ + slice);
        if (travelled + (to - from) >= nearest) {
            const double at = std::clamp(segmentTimeTo(s, from + nearest - travelled), elapsedMs_,
                                         elapsedMs_ + slice);
            position_ += direction_ * (nearest - travelled);
            left -= at - elapsedMs_;
            elapsedMs_ = at;
            return {watch.limit <= watch.goal ? Step::Limit : Step::Goal, ms - left};
        }
        travelled += to - from;
        position_ += direction_ * (to - from);
        elapsedMs_ += slice;
        left -= slice;
        if (finishes) {
            plan_.pop_front();
            elapsedMs_ = 0;
        }
    }
    return {plan_.empty() ? Step::PlanDone : Step::TimeUp, ms - left};
}

void SimAxis::follow(int direction, Plan plan) {
    direction_ = direction;
    plan_ = std::move(plan);
    elapsedMs_ = 0;
}

void SimAxis::halt() {
    plan_.clear();
    elapsedMs_ = 0;
    position_ = std::round(position_);
}

double SimAxis::speed() const {
    return plan_.empty() ? 0.0 : segmentSpeed(plan_.front(), elapsedMs_);
}

int SimAxis::trend() const {
    if (plan_.empty()) {
        return 0;
    }
    const Segment& s = plan_.front();
    return s.v1 > s.v0 ? 1 : (s.v1 < s.v0 ? -1 : 0);
}
