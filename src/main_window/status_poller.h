#pragma once

#include <QString>
#include <functional>
#include <map>

#include "main_window/status_view.h"
#include "monitor/poll_feed.h"

class MainLine;
struct CommunicationPanel;
struct StatusPanel;
struct ControlPanel;
struct DioPanel;
struct LatchPanel;
struct SyncPanel;

// The main window's view of the status cycle. A tick is the cycle's, run in a job of the window:
// each reply is shown on the panels as it comes, a change of an enable box is echoed to the
// device within the tick (as a click on it would be), and each tick that polled a communicating
// device publishes the values it left on the panel to the feed.
class StatusPoller {
  public:
    StatusPoller(CommunicationPanel& comm, StatusPanel& status, ControlPanel& control,
                 DioPanel& dio, LatchPanel& latch, SyncPanel& sync, PollFeed& feed);

    // One tick, in the window's job.
    void tick(MainLine& m);

  private:
    using Display = std::function<void(const QString& reply)>;

    void buildDisplays(StatusPanel& status, LatchPanel& latch);
    // In the job: shows the reply, keeps it for the tick's sample, echoes a box it changed.
    bool onReply(MainLine& m, const QString& command, const QString& reply);
    void showIdentity(MainLine& m, const QString& identity);
    void followBoxes(MainLine& m, const QString& command, int32_t value);

    CommunicationPanel& comm_;
    ControlPanel& control_;
    LatchPanel& latch_;
    StatusView view_;
    PollFeed& feed_;
    std::map<QString, Display> displays_;  // run in the window's thread
    PollSample latest_;                    // the job's
};
