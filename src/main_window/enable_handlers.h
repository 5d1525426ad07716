#pragma once

class MainSession;
struct ControlPanel;
struct LatchPanel;

// The motor enable and latch enable check boxes. Both also follow the device through the polling
// cycle, and a change it makes runs the same handler as a click; the handlers are built so that
// this echo does no harm.
class EnableHandlers {
  public:
    EnableHandlers(MainSession& session, ControlPanel& control, LatchPanel& latch);

    // Asks the device's enable state first and writes it only when it disagrees with the box,
    // so that following the device sends just the query.
    void EnableStat_Click();
    // Arms or disarms the position latch as the box shows.
    void EnableLatch_Click();

  private:
    MainSession& session_;
    ControlPanel& control_;
    LatchPanel& latch_;
};
