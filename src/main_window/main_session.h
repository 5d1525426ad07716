#pragma once

#include <QString>
#include <functional>
#include <memory>

#include "device/line_engine.h"
#include "device/main_policy.h"
#include "link/connection_values.h"
#include "monitor/status_cycle.h"
#include "widgets/job_prompter.h"
#include "widgets/window_services.h"

class Prompter;
class MainSession;

// What the main window shows when its exchange fails; the window's side of MainLinkHost, called
// in the window's thread.
class MainDisplay {
  public:
    virtual ~MainDisplay() = default;
    virtual void showNoCommunication() = 0;
    // The port was given up; the device ID list shows address.
    virtual void showInvalidPort(const QString& address) = 0;
};

// The main window's line side: what its jobs work with, in the line engine's thread only. Its
// displays reach the window through show(), its messages through prompter(), in the job's order.
class MainLine : private MainLinkHost {
  public:
    MainLine(LineEngine::Line& line, const ConnectionValues& values, Prompter& windowPrompter,
             MainDisplay& display);

    LineEngine::Line& line;
    ConnectionValues values;
    MainPolicy policy;
    // The polling cycle; its pollStep is the window's PollStep.
    StatusCycle cycle;
    QString PreviousCommand;
    // What the two enable check boxes show: a change the cycle makes to them is echoed to the
    // device within the tick, a user's click says what the box shows from then on.
    bool enableShown = false;
    bool latchShown = false;

    QString SendReceive(const QString& command) { return policy.SendReceive(command); }
    // The same exchange, its answer told as the device layer's sequences take it: a silent
    // device's "0" as NoReply, a given-up port as PortFailure.
    ExchangeResult exchangeResult(const QString& command);
    Prompter& prompter() { return prompter_; }
    void show(std::function<void()> fn) { line.show(std::move(fn)); }

  private:
    // MainLinkHost
    void tell(const QString& message) override;
    void showNoCommunication() override;
    void showInvalidPort() override;

    JobPrompter prompter_;
    MainDisplay& display_;
};

// One device session of the main window, on the window's side: the connection values and the
// line's state as the last job left them, the engine its jobs run on, and the polling switch.
class MainSession {
  public:
    using Job = std::function<void(MainLine&)>;

    MainSession(const WindowServices& services, QObject& window, MainDisplay& display);
    ~MainSession();

    // Before start(): what the opener set. After: what the line side had when its last job ended.
    ConnectionValues values;
    int PollStep = 1;
    bool ARMode = false;
    QString PreviousCommand;
    LineState line;  // its counts
    bool portOpen = false;
    // While set, the window posts no polling tick (a child window has the port).
    bool PausePolling = false;
    // A polling tick is on the line.
    bool busy = false;
    // Jobs given and not yet done (ticks, presses, start-up, hand-over).
    int onTheLine = 0;

    // Starts the line engine with the connection values set so far; the port is not opened yet.
    void start();
    // Queues a job; done runs in the window's thread after it (ran: it was not dropped by a stop
    // or by closing).
    void run(Job job, std::function<void(bool ran)> done = {});
    // The job goes out before the line's next exchange; the jobs waiting behind are dropped.
    void stop(Job job);
    // Ends the engine: the running job after its exchange, the port closed. Waits for that.
    void end();
    bool running() const { return engine_ != nullptr; }

  private:
    LineEngine::Job onLine(Job job);
    // In the engine's thread after each job: what the window keeps of the line side.
    void publish();

    const WindowServices& services_;
    QObject& window_;
    MainDisplay& display_;
    std::unique_ptr<LineEngine> engine_;
    std::unique_ptr<MainLine> line_;  // made by the first job, in the engine's thread
};
