#pragma once

#include "sim/sim_ramp.h"

// The motor: where it stands (in steps, fractional while it runs), which way it turns, and the
// plan of speed segments it follows. It knows nothing of commands or switches; the caller tells
// it how far ahead the next points of interest lie.
class SimAxis {
  public:
    // Distances ahead (in the direction of travel, >= 0) at which advance() must stop short.
    struct Watch {
        double limit = kForever;  // the limit switch ahead
        double goal = kForever;   // what the current activity looks for (home edge, index)
    };
    struct Step {
        enum What { TimeUp, Limit, Goal, PlanDone };
        What what = TimeUp;
        double elapsedMs = 0;
    };

    // Runs the plan for up to ms; stops early at a watched point or when the plan runs out.
    Step advance(double ms, const Watch& watch);

    // Follows a new plan from its current speed and position; direction is +1 or -1.
    void follow(int direction, Plan plan);
    // Stops at once, on a whole step.
    void halt();
    void place(double position) { position_ = position; }

    double position() const { return position_; }
    int direction() const { return direction_; }
    bool running() const { return !plan_.empty(); }
    double speed() const;
    // +1 speeding up, 0 constant (or standing), -1 slowing down.
    int trend() const;

  private:
    double position_ = 0;
    int direction_ = 1;
    Plan plan_;
    double elapsedMs_ = 0;  // time spent in plan_.front()
};
