#include "sim/sim_motion.h"

#include <algorithm>
#include <cmath>

#include "sim/sim_number.h"

namespace {

// Following error of the motor behind the commanded position, as time at the present speed.
constexpr double kLagMs = 2;
// How long "ABORTING" stays visible after an abort (the motor itself stops at once).
constexpr double kAbortShownMs = 100;
// Events handled in one run; real runs meet a handful. The bound only keeps a surprise cheap.
constexpr int kMaxEventsPerRun = 256;
// Auto-response lines kept for delivery; older ones are dropped.
constexpr size_t kMaxAutoResponses = 16;

}  // namespace

SimMotion::SimMotion(const SimParameters& parameters) : parameters_(parameters) {}

std::optional<QString> SimMotion::advanceTo(qint64 nowMs) {
    run(nowMs);
    if (autoResponses_.empty()) {
        return std::nullopt;
    }
    QString line = autoResponses_.front();
    autoResponses_.pop_front();
    return line;
}

void SimMotion::powerCycle(qint64 nowMs) {
    run(nowMs);
    const double at = std::round(state_.axis.position());
    state_ = State{};
    state_.axis.place(at);
    state_.positionOffset = -std::llround(at);
    state_.encoderOffset = -std::llround(at);
    autoResponses_.clear();
}

bool SimMotion::setInput(int number, bool on) {
    if (number < 1 || number > 6) {
        return false;
    }
    const int bit = 1 << (number - 1);
    world.inputs = on ? (world.inputs | bit) : (world.inputs & ~bit);
    return true;
}

void SimMotion::setLatchInput(bool on, qint64 nowMs) {
    run(nowMs);
    if (on && !world.latchInput) {
        state_.latch.capture(position(), encoder());
    }
    world.latchInput = on;
}

// Runs the plan up to nowMs, stopping at each event (limit, homing goal, end of plan) to let
// it change the plan, then going on with the time that is left.
void SimMotion::run(qint64 nowMs) {
    const double until = double(nowMs);
    for (int round = 0; round < kMaxEventsPerRun && state_.activity != Activity::Idle; ++round) {
        const double before = counterPosition();
        const SimAxis::Step step = state_.axis.advance(std::max(0.0, until - clockMs_), watch());
        clockMs_ += step.elapsedMs;
        state_.sync.check(before, counterPosition());
        if (step.what == SimAxis::Step::TimeUp) {
            break;
        }
        onEvent(step.what);
    }
    clockMs_ = std::max(clockMs_, until);
}

SimAxis::Watch SimMotion::watch() const {
    const int direction = state_.axis.direction();
    const double at = state_.axis.position();
    SimAxis::Watch w;
    // On or beyond the limit ahead counts as meeting it now.
    w.limit = std::max(0.0, (world.limit(direction) - at) * direction);
    if (state_.goal) {
        if (const double ahead = (*state_.goal - at) * direction; ahead >= 0) {
            w.goal = ahead;
        }
    }
    return w;
}

void SimMotion::onEvent(SimAxis::Step::What what) {
    const bool homing = state_.activity == Activity::Homing && state_.homing;
    switch (what) {
        case SimAxis::Step::Limit:
            if (homing) {
                apply(state_.homing->limit(world, state_.axis.position()));
            } else {
                stopAtLimit();
            }
            break;
        case SimAxis::Step::Goal:
            if (homing) {
                apply(state_.homing->reached(world, state_.axis.position()));
            }
            break;
        case SimAxis::Step::PlanDone:
            onPlanDone();
            break;
        case SimAxis::Step::TimeUp:
            break;
    }
}

void SimMotion::onPlanDone() {
    switch (state_.activity) {
        case Activity::Moving:
            if (std::abs(state_.axis.position() - state_.target) < 0.5) {
                state_.axis.place(state_.target);
                state_.axis.halt();
                finish();
            } else {
                // Braked to a stop away from the target (it was changed behind the motor or
                // too close to stop): start again from rest.
                state_.axis.halt();
                steerTo(state_.target);
            }
            break;
        case Activity::Homing:
            if (state_.homing) {
                apply(state_.homing->braked(world));
                break;
            }
            [[fallthrough]];
        default:
            state_.axis.halt();
            finish();
            break;
    }
}

void SimMotion::apply(const HomingStep& step) {
    const RampLimits r = limits(state_.runSpeed);
    state_.goal = step.goal;
    switch (step.action) {
        case HomingStep::Search:
            if (step.direction != state_.axis.direction()) {
                state_.axis.halt();
            }
            state_.axis.follow(step.direction, planRun(state_.axis.speed(), r.topSpeed, r));
            break;
        case HomingStep::Creep:
            state_.axis.halt();
            state_.axis.follow(step.direction, Plan{{r.startSpeed, r.startSpeed, kForever}});
            break;
        case HomingStep::Brake:
            state_.axis.follow(state_.axis.direction(), planStop(state_.axis.speed(), r));
            break;
        case HomingStep::Done:
            state_.axis.halt();
            zeroCounters();
            finish();
            break;
        case HomingStep::Fail:
            stopAtLimit();
            break;
    }
}

// A motion has ended, however: the axis is at rest and says so when auto-response is on.
void SimMotion::finish() {
    state_.activity = Activity::Idle;
    state_.homing.reset();
    state_.goal.reset();
    state_.idleSinceMs = clockMs_;
    if (parameters_.parameter(QStringLiteral("AR")) == QLatin1String("1")) {
        // An unsolicited line reaches the program in the middle of its next exchange. Its reader
        // keeps a "$" line whose only "P" is the last character and appends the next line (the
        // real reply) to it, then takes what follows that "P": so the line ends in "STOP" and
        // the reply after it is read as the reply. It carries the position where the motion
        // ended, for the traffic log.
        if (autoResponses_.size() >= kMaxAutoResponses) {
            autoResponses_.pop_front();
        }
        autoResponses_.push_back(QStringLiteral("$%1STOP").arg(position()));
    }
}

void SimMotion::stopAtLimit() {
    (state_.axis.direction() > 0 ? state_.plusError : state_.minusError) = true;
    state_.axis.halt();
    finish();
}

RampLimits SimMotion::limits(double topSpeed) const {
    const Profile& p = state_.profile;
    RampLimits r;
    r.topSpeed = topSpeed;
    r.startSpeed = std::min(double(p.lowSpeed), topSpeed);
    r.accel = double(p.accel);
    r.decel = double(p.decel);
    r.smooth = p.sCurve;
    return r;
}

// Plans the way to target from the present state: straight there when the motor can stop in
// time, else brake first (onPlanDone starts again from rest).
void SimMotion::steerTo(double target) {
    state_.target = target;
    const RampLimits r = limits(state_.runSpeed);
    SimAxis& axis = state_.axis;
    if (!axis.running()) {
        const int direction = target >= axis.position() ? 1 : -1;
        axis.follow(direction, planMove(0, std::abs(target - axis.position()), r).value_or(Plan{}));
        return;
    }
    const double ahead = (target - axis.position()) * axis.direction();
    const auto plan = ahead >= 0 ? planMove(axis.speed(), ahead, r) : std::nullopt;
    axis.follow(axis.direction(), plan ? *plan : planStop(axis.speed(), r));
}

void SimMotion::startJog(int direction) {
    state_.activity = Activity::Jogging;
    state_.runSpeed = double(state_.profile.highSpeed);
    const RampLimits r = limits(state_.runSpeed);
    state_.axis.follow(direction, planRun(0, r.topSpeed, r));
}

void SimMotion::startMove(double target) {
    state_.activity = Activity::Moving;
    state_.runSpeed = double(state_.profile.highSpeed);
    steerTo(target);
}

void SimMotion::startHoming(HomingKind kind, int direction) {
    state_.activity = Activity::Homing;
    state_.runSpeed = double(state_.profile.highSpeed);
    state_.homing.emplace(kind, direction);
    apply(state_.homing->start(world, state_.axis.position()));
}

void SimMotion::stop() {
    if (state_.activity == Activity::Idle || state_.activity == Activity::Stopping) {
        return;
    }
    state_.activity = Activity::Stopping;
    state_.homing.reset();
    state_.goal.reset();
    const RampLimits r = limits(state_.runSpeed);
    state_.axis.follow(state_.axis.direction(), planStop(state_.axis.speed(), r));
}

void SimMotion::abort() {
    if (state_.activity == Activity::Idle) {
        return;
    }
    state_.axis.halt();
    state_.abortShownUntilMs = clockMs_ + kAbortShownMs;
    finish();
}

void SimMotion::setEnabled(bool on) {
    if (!on && state_.activity != Activity::Idle) {
        // A motor without current cannot hold its speed: the motion ends where it is.
        state_.axis.halt();
        finish();
    }
    state_.enabled = on;
}

void SimMotion::setOutput(int bit, bool on) {
    state_.outputs = on ? (state_.outputs | (1 << bit)) : (state_.outputs & ~(1 << bit));
}

void SimMotion::clearErrors() {
    state_.plusError = false;
    state_.minusError = false;
    state_.abortShownUntilMs = -1;
}

void SimMotion::zeroCounters() {
    state_.positionOffset = -std::llround(state_.axis.position());
    state_.encoderOffset = state_.positionOffset;
}

qint64 SimMotion::position() const {
    return std::llround(counterPosition());
}

qint64 SimMotion::lag() const {
    return std::llround(state_.axis.direction() * state_.axis.speed() * kLagMs / 1000.0);
}

qint64 SimMotion::encoder() const {
    return std::llround(state_.axis.position()) - lag() + state_.encoderOffset;
}

qint64 SimMotion::statusWord() const {
    const double at = state_.axis.position();
    qint64 word = 0;
    if (state_.axis.running()) {
        const int trend = state_.axis.trend();
        word |= trend > 0 ? 2 : (trend < 0 ? 4 : 1);
    }
    const bool bits[] = {world.atHome(at),  world.atMinusLimit(at), world.atPlusLimit(at),
                         state_.minusError, state_.plusError,       world.latchInput,
                         world.atIndex(at)};
    for (int i = 0; i < 7; ++i) {
        word |= bits[i] ? qint64{8} << i : 0;
    }
    return word;
}

qint64 SimMotion::guardState() const {
    switch (state_.activity) {
        case Activity::Moving:
            return 1;
        case Activity::Stopping:
            return 3;
        case Activity::Jogging:
            return 5;
        case Activity::Homing:
            return state_.homing && state_.homing->seekingIndex() ? 7 : 6;
        case Activity::Idle:
            break;
    }
    if (clockMs_ < state_.abortShownUntilMs) {
        return 4;
    }
    return state_.plusError || state_.minusError ? 11 : 0;
}

qint64 SimMotion::current() const {
    if (!state_.enabled) {
        return 0;
    }
    const bool resting = state_.activity == Activity::Idle &&
                         clockMs_ - state_.idleSinceMs >= double(parameterNumber("CURT"));
    return parameterNumber(resting ? "CURI" : "CURR");
}

qint64 SimMotion::parameterNumber(const char* key) const {
    return deviceNumber(parameters_.parameter(QLatin1String(key)), 0, kInt32Max).value_or(0);
}
