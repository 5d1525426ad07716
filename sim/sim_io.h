#pragma once

#include <QtGlobal>

// The position latch: armed with "LT=1", it keeps position and encoder at the first rising
// edge of the latch input. "LT=1" again re-arms it; the last captured values stay readable.
class SimLatch {
  public:
    enum State { Off = 0, Waiting = 1, Latched = 2 };

    void arm(bool on) { state_ = on ? Waiting : Off; }
    void capture(qint64 position, qint64 encoder);  // the input has just come on
    State state() const { return state_; }
    qint64 position() const { return position_; }
    qint64 encoder() const { return encoder_; }

  private:
    State state_ = Off;
    qint64 position_ = 0;
    qint64 encoder_ = 0;
};

// The sync output: armed with a comparison (1 "=", 2 "<", 3 ">") against a position, it comes
// on when the position meets it and stays on until it is switched off or armed again (a pulse
// would be gone before anyone polled it).
class SimSync {
  public:
    enum State { Off = 0, Waiting = 1, On = 2 };
    enum Comparison { Equal = 1, Below = 2, Above = 3 };

    void arm(Comparison comparison, qint64 position);
    void disarm() { state_ = Off; }
    // The position went from `from` to `to` (in one straight run) since the last check.
    void check(double from, double to);
    State state() const { return state_; }

  private:
    State state_ = Off;
    Comparison comparison_ = Equal;
    double position_ = 0;
};
