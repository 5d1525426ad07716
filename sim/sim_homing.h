#pragma once

#include <optional>

#include "sim/sim_world.h"

// The homing commands: H (home switch), HL (home switch, turning round at a limit), L (limit
// switch), ZH (home switch, then the next index mark) and Z (the next index mark).
enum class HomingKind { Home, HomeOrReverse, Limit, HomeThenIndex, Index };

// What the axis does next during a homing run.
struct HomingStep {
    enum Action {
        Search,  // run towards the goal (or the limit) at the top speed
        Creep,   // stop, then run towards the goal (or the limit) at the start speed
        Brake,   // ramp down to the start speed, then report braked()
        Done,    // stop at once: this is position 0
        Fail,    // stop at once with a limit error
    };
    Action action = Done;
    int direction = 1;
    std::optional<double> goal;  // world position looked for; none: the limit ahead is the goal
};

// The homing state machine. Every homing ends its final approach at the start speed and stops
// at once where the sought signal switches, so the zero lies on a switch edge or an index mark
// and does not depend on the speed of the search:
// - H/HL/ZH search at the top speed until the home switch comes on, brake, then creep back to
//   the edge where it came on. HL turns round once when it meets the limit ahead; H and ZH stop
//   there with a limit error. ZH then creeps on in its own direction to the next index mark.
// - L searches at the top speed until the limit switch ahead (no error: it is looked for),
//   backs off a little at the start speed and comes back at the start speed to the switch.
// - Z creeps at the start speed to the next index mark.
class SimHoming {
  public:
    SimHoming(HomingKind kind, int direction) : kind_(kind), direction_(direction) {}

    HomingStep start(const SimWorld& world, double at);
    HomingStep reached(const SimWorld& world, double at);  // the goal was reached
    HomingStep limit(const SimWorld& world, double at);    // the limit ahead was reached
    HomingStep braked(const SimWorld& world);              // the Brake ramp has ended
    // True while it looks for an index mark (shown as Z-HOMING).
    bool seekingIndex() const { return phase_ == Phase::Index; }

    static constexpr double kLimitBackOff = 200;  // steps off the limit switch before coming back

  private:
    enum class Phase { Search, Brake, Creep, BackOff, Approach, Index, Over };
    HomingStep go(Phase phase, HomingStep::Action action, int direction,
                  std::optional<double> goal = std::nullopt);
    HomingStep seekIndex(const SimWorld& world, double at);

    HomingKind kind_;
    int direction_;
    bool reversed_ = false;
    Phase phase_ = Phase::Search;
};
