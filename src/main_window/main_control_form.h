#pragma once

#include <QPushButton>
#include <QTimer>
#include <QToolButton>
#include <deque>
#include <functional>
#include <memory>

#include "chart/chart_panel.h"
#include "device/main_policy.h"
#include "main_window/communication_panel.h"
#include "main_window/control_panel.h"
#include "main_window/dio_panel.h"
#include "main_window/enable_handlers.h"
#include "main_window/identification.h"
#include "main_window/latch_panel.h"
#include "main_window/line_status.h"
#include "main_window/main_session.h"
#include "main_window/motion_commands.h"
#include "main_window/on_the_fly_commands.h"
#include "main_window/on_the_fly_panel.h"
#include "main_window/output_commands.h"
#include "main_window/speed_profile.h"
#include "main_window/status_panel.h"
#include "main_window/status_poller.h"
#include "main_window/stop_key.h"
#include "main_window/sync_panel.h"
#include "main_window/terminal_pane.h"
#include "main_window/terminal_pane_commands.h"
#include "monitor/poll_feed.h"
#include "widgets/device_window.h"
#include "widgets/window_services.h"

// The main control window: one device, watched live and driven. The opener sets the connection
// values and PausePolling in session() before showing it; start-up runs when it is first shown.
class MainControlForm : public DeviceWindow, private MainDisplay {
    Q_OBJECT
  public:
    explicit MainControlForm(const WindowServices& services, QWidget* parent = nullptr);
    ~MainControlForm() override;

    MainSession& session() { return session_; }

    // Hands the port to a child window for as long as it is shown: polling paused, port closed
    // (after the jobs given before), the child shown modally, then the port reopened and polling
    // resumed. showChild makes the child, copies the connection values into it and shows it
    // through showModal(); it may leave a job in afterChild_, which runs once the port is back.
    void handOver(std::function<void()> showChild);

    CommunicationPanel comm;
    StatusPanel status;
    ControlPanel control;
    OnTheFlyPanel onTheFly;
    DioPanel dio;
    LatchPanel latch;
    SyncPanel sync;
    TerminalPane terminal;
    QToolButton* Chart;
    QToolButton* ManualTerminal;
    QToolButton* Setup;
    QToolButton* Bus;
    QPushButton* Command2;  // "Close"
    QTimer* Timer1;
    QTimer* nextTick;   // zero time: the tick after one that has ended
    ChartPanel* chart;  // beside the panels while "Chart" is down
    LineStatus* lineStatus;

    // Gives one polling tick to the line, unless one is on its way; Timer1 calls it, tests drive
    // it directly. While Timer1 runs, each tick gives the next one as soon as it has ended.
    void Timer1_Timer();
    // What the polling cycle publishes.
    PollFeed& feed() { return feed_; }

  protected:
    // Start-up: fill the lists, open the port, identify the device, start polling.
    void onLoad() override;
    // Closing: polling stops and the port is released.
    void onUnload() override;
    // Escape stops the axis instead of closing the window.
    void keyPressEvent(QKeyEvent* event) override;

  private:
    void buildLayout();
    void showChart(bool shown);
    void keepOnScreen();
    // Fills the lists, identifies the device and starts polling.
    void startUp();
    void connectPresses();
    void nextHandOver();
    void ManualTerminal_Click();
    void Setup_Click();
    void Bus_Click();

    // MainDisplay
    void showNoCommunication() override;
    void showInvalidPort(const QString& address) override;

    WindowServices services_;
    // Children whose "Setup" or "Terminal" press waits for the hand-over under way.
    std::deque<std::function<void()>> waitingChildren_;
    bool handingOver_ = false;
    // What the child window left to do once the port is back (the device "Drive" chose).
    MainSession::Job afterChild_;
    MainSession session_;
    PollFeed feed_;
    StopKey stopKey_;
    Identification identification_;
    StatusPoller poller_;
    SpeedProfile profile_;
    MotionCommands motion_;
    OnTheFlyCommands onTheFlyCommands_;
    OutputCommands outputs_;
    TerminalPaneCommands terminalCommands_;
};
