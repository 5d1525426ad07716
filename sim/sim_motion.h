#pragma once

#include <QString>
#include <deque>
#include <optional>

#include "sim/sim_axis.h"
#include "sim/sim_homing.h"
#include "sim/sim_io.h"
#include "sim/sim_parameters.h"
#include "sim/sim_world.h"

// The device's axis: speed profile, jog, moves, stop and abort, homing, limits, counters,
// enable, inputs and outputs, latch and sync, and the auto-response lines. Commands that
// concern the axis are answered here; everything else falls through to the parameter set, which
// the axis reads for the keys it acts on (currents, "AR", the sync comparison and position).
//
// Commands answer "OK" when accepted and one of the refusals below otherwise. Every motion
// that ends (arrival, stop, abort, limit, homing, disable) sends "$P" and the position when "AR"
// is 1. "ABORT" stops at once and shows ABORTING for a moment; an error stays until "CLR".
//
// Units: positions in steps, speeds in steps/s, "ACC"/"DEC" in steps/s². Time is the caller's
// clock in milliseconds; the model moves only when handle() or advanceTo() is called, in closed
// form, so a long jump of the clock costs no more than a short one.
class SimMotion {
  public:
    explicit SimMotion(const SimParameters& parameters);
    // It reads its own device's parameters: a copy would read the wrong device's.
    SimMotion(const SimMotion&) = delete;
    SimMotion& operator=(const SimMotion&) = delete;

    // The reply to an axis command, or nothing when the command is not an axis command. Runs the
    // axis up to nowMs first.
    std::optional<QString> handle(const QString& command, qint64 nowMs);
    // Runs the axis up to nowMs; an auto-response line when one is due.
    std::optional<QString> advanceTo(qint64 nowMs);
    // Power off and on: the motor stays where it is, the counters start at 0, every setting and
    // state of the axis starts afresh. The surroundings (world) are unchanged.
    void powerCycle(qint64 nowMs);

    // Inputs DI1..DI6 (number 1..6); false for another number.
    bool setInput(int number, bool on);
    // The latch input; a rising edge captures while the latch is armed.
    void setLatchInput(bool on, qint64 nowMs);

    SimWorld world;

    // Reply texts of refused commands.
    static constexpr const char* kBad = "?";                 // malformed or out of range
    static constexpr const char* kDisabled = "?Disabled";    // motor not enabled
    static constexpr const char* kBusy = "?Busy";            // needs the axis at rest
    static constexpr const char* kNotMoving = "?NotMoving";  // needs a move it can change

  private:
    enum class Activity { Idle, Moving, Jogging, Homing, Stopping };
    struct Profile {
        qint64 highSpeed = 1000;
        qint64 lowSpeed = 300;
        qint64 accel = 300;
        qint64 decel = 300;
        bool sCurve = false;
        bool incremental = false;
        qint64 speedMode = 0;  // "SSPDM": kept and read back
    };
    // Everything a power cycle starts afresh.
    struct State {
        Profile profile;
        SimAxis axis;
        Activity activity = Activity::Idle;
        std::optional<SimHoming> homing;
        std::optional<double> goal;  // world position the homing looks for
        double target = 0;           // world position a move goes to
        double runSpeed = 0;         // top speed of the motion under way
        qint64 positionOffset = 0;   // counter = motor position + offset
        qint64 encoderOffset = 0;
        bool enabled = true;
        bool plusError = false;
        bool minusError = false;
        int outputs = 0;
        SimLatch latch;
        SimSync sync;
        double idleSinceMs = -1e12;  // idle "for ever" at power-up
        double abortShownUntilMs = -1;
    };

    // The model (sim_motion.cpp).
    void run(qint64 nowMs);
    void onEvent(SimAxis::Step::What what);
    void onPlanDone();
    void apply(const HomingStep& step);
    void finish();
    void stopAtLimit();
    SimAxis::Watch watch() const;
    RampLimits limits(double topSpeed) const;
    void steerTo(double target);

    void startJog(int direction);
    void startMove(double target);
    void startHoming(HomingKind kind, int direction);
    void stop();
    void abort();
    void setEnabled(bool on);
    void setOutput(int bit, bool on);
    void clearErrors();
    void zeroCounters();

    double counterPosition() const { return state_.axis.position() + state_.positionOffset; }
    qint64 position() const;
    qint64 encoder() const;
    qint64 lag() const;
    qint64 statusWord() const;
    qint64 guardState() const;
    qint64 current() const;
    qint64 parameterNumber(const char* key) const;

    // The commands (sim_motion_commands.cpp).
    std::optional<QString> command(const QString& text);
    std::optional<QString> readKey(const QString& key) const;
    std::optional<QString> writeKey(const QString& key, const QString& value);
    std::optional<QString> prefixed(const QString& text);
    std::optional<QString> refusal() const;  // why no motion may start now
    QString moveTo(const QString& text);
    QString changeTarget(const QString& text);
    QString changeSpeed(const QString& text);
    QString armSync();
    QString loadCounter(qint64 value, bool position);

    const SimParameters& parameters_;
    State state_;
    double clockMs_ = 0;
    std::deque<QString> autoResponses_;
};
