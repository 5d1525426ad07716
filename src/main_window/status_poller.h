#pragma once

#include <QString>
#include <array>
#include <functional>
#include <optional>
#include <vector>

#include "main_window/status_view.h"
#include "monitor/poll_feed.h"

class MainSession;
struct CommunicationPanel;
struct StatusPanel;
struct ControlPanel;
struct DioPanel;
struct LatchPanel;
struct SyncPanel;

// The status polling cycle, one tick at a time: "AR", the encoder and position counters, and
// one group of slower values in an eight-step rotation; while the device is lost, only its
// identity until it answers again. Each tick that polled a communicating device publishes the
// values it leaves on the panel to the feed.
class StatusPoller {
  public:
    StatusPoller(MainSession& session, CommunicationPanel& comm, StatusPanel& status,
                 ControlPanel& control, DioPanel& dio, LatchPanel& latch, SyncPanel& sync,
                 PollFeed& feed);

    // One tick. The caller holds the session's busy mark.
    void tick();

    // How often a query is sent again while its reply is an auto-response "$" line. Past that
    // the display keeps its value and the tick goes on.
    static constexpr int kDollarRepeats = 20;

  private:
    // A query and where its reply goes; show returns false when the reply is no number.
    struct Query {
        QString command;
        std::function<bool(const QString&)> show;
    };
    enum class Outcome { Next, EndTick, PortLost };

    using Show = std::function<bool(const QString&)>;

    void buildQueries(StatusPanel& status, LatchPanel& latch);
    // The show, which also keeps a shown reply for the tick's sample.
    Show sampled(PollSample::Field field, Show show);
    void publish();
    void reidentify();
    Outcome runAll(const std::vector<Query>& queries);
    Outcome run(const Query& query);
    std::optional<QString> send(const QString& command);
    void advancePollStep();

    MainSession& session_;
    CommunicationPanel& comm_;
    StatusView view_;
    PollFeed& feed_;
    PollSample latest_;
    std::vector<Query> counters_;               // every tick
    std::array<std::vector<Query>, 8> groups_;  // by PollStep 1 to 8
};
