#include "sim/sim_homing.h"

HomingStep SimHoming::go(Phase phase, HomingStep::Action action, int direction,
                         std::optional<double> goal) {
    phase_ = phase;
    return {action, direction, goal};
}

HomingStep SimHoming::seekIndex(const SimWorld& world, double at) {
    return go(Phase::Index, HomingStep::Creep, direction_, world.nextIndex(at, direction_));
}

HomingStep SimHoming::start(const SimWorld& world, double at) {
    switch (kind_) {
        case HomingKind::Limit:
            return go(Phase::Search, HomingStep::Search, direction_);
        case HomingKind::Index:
            return seekIndex(world, at);
        default:
            break;
    }
    if (world.atHome(at)) {
        // Already on the switch: only the slow approach to its edge is left.
        return go(Phase::Creep, HomingStep::Creep, -direction_, world.homeEdge(direction_));
    }
    return go(Phase::Search, HomingStep::Search, direction_, world.homeEdge(direction_));
}

HomingStep SimHoming::reached(const SimWorld& world, double at) {
    switch (phase_) {
        case Phase::Search:
            return go(Phase::Brake, HomingStep::Brake, direction_);
        case Phase::Creep:
            if (kind_ == HomingKind::HomeThenIndex) {
                return seekIndex(world, at);
            }
            return go(Phase::Over, HomingStep::Done, direction_);
        case Phase::BackOff:
            return go(Phase::Approach, HomingStep::Creep, direction_);
        case Phase::Index:
            return go(Phase::Over, HomingStep::Done, direction_);
        default:
            return go(Phase::Over, HomingStep::Fail, direction_);
    }
}

HomingStep SimHoming::limit(const SimWorld& world, double at) {
    if (kind_ == HomingKind::Limit && phase_ == Phase::Search) {
        return go(Phase::BackOff, HomingStep::Creep, -direction_, at - direction_ * kLimitBackOff);
    }
    if (kind_ == HomingKind::Limit && phase_ == Phase::Approach) {
        return go(Phase::Over, HomingStep::Done, direction_);
    }
    if (kind_ == HomingKind::HomeOrReverse && phase_ == Phase::Search && !reversed_) {
        reversed_ = true;
        direction_ = -direction_;
        return go(Phase::Search, HomingStep::Search, direction_, world.homeEdge(direction_));
    }
    return go(Phase::Over, HomingStep::Fail, direction_);
}

HomingStep SimHoming::braked(const SimWorld& world) {
    return go(Phase::Creep, HomingStep::Creep, -direction_, world.homeEdge(direction_));
}
