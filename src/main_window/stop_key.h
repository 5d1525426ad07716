#pragma once

class MainSession;

// Escape in the main window stops the axis: "ABORT" goes out on its own (no profile before it,
// so a bad profile entry cannot hold it back) and the window stays open. It goes out before the
// line's next exchange, between two exchanges of a tick or a handler under way, and the presses
// still waiting behind it are dropped: a jog pressed before the stop must not start the axis
// after it.
class StopKey {
  public:
    explicit StopKey(MainSession& session) : session_(session) {}

    // Escape was pressed in the window.
    void pressed();

  private:
    MainSession& session_;
};
