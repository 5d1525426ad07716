#pragma once

#include <QByteArray>
#include <condition_variable>
#include <functional>
#include <mutex>

class SimHub;

// A device that takes real time to answer: the job that writes the given line is held right after
// the line went out, until the test releases it or the hold's condition becomes true (checked
// every millisecond), and at most kBoundMs. A window that waited on the line in its own thread
// would sit in the hold until the bound, and endedInTime() tells.
class HeldLine {
  public:
    static constexpr int kBoundMs = 5000;

    explicit HeldLine(SimHub& hub) : hub_(hub) {}
    ~HeldLine();
    HeldLine(const HeldLine&) = delete;
    HeldLine& operator=(const HeldLine&) = delete;

    // Holds the next writer of line (as written, without its CR); an earlier hold is forgotten.
    // Only while no line is being written.
    void arm(const QByteArray& line, std::function<bool()> until = {});
    // Waits (at most kBoundMs) until a writer is held, or has been.
    bool waitUntilHeld();
    void release();
    // Whether a hold ended by release() or its condition, not by the bound.
    bool endedInTime();

  private:
    void hold(const std::function<bool()>& until);

    SimHub& hub_;
    std::mutex mutex_;
    std::condition_variable changed_;
    bool held_ = false;
    bool released_ = false;
    bool timedOut_ = false;
};
