#pragma once

#include <deque>
#include <functional>

// Marks a window busy for the life of a handler or tick, and restores the previous state, so
// that a handler run from inside a tick (a check box echo) leaves the tick's mark in place.
class BusyScope {
  public:
    explicit BusyScope(bool& flag) : flag_(flag), previous_(flag) { flag_ = true; }
    ~BusyScope() { flag_ = previous_; }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;

  private:
    bool& flag_;
    bool previous_;
};

// The presses of one window that came while it was busy on the line. A message box or a question
// inside an operation runs an event loop, and so does a tick that lets Escape in; a press that
// arrives there (a screen reader's press action, a program's click(), input held for later) must
// neither start its own line traffic in the middle of the operation nor be lost: it waits here
// and runs once the window is free, in the order it came.
class PressQueue {
  public:
    explicit PressQueue(bool& busy) : busy_(busy) {}

    // Runs work now when the window is free, else once it is.
    void runWhenFree(std::function<void()> work);
    // As runWhenFree, with the window marked busy while work runs.
    void press(std::function<void()> work);
    // Runs what waits, oldest first, as long as the window stays free.
    void runWaiting();
    // Forgets what waits.
    void dropWaiting() { waiting_.clear(); }

  private:
    bool& busy_;
    std::deque<std::function<void()>> waiting_;
    bool running_ = false;  // runWaiting() is under way further up the stack
};
