#pragma once

#include <QLabel>
#include <QMap>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTimer>
#include <memory>
#include <optional>

#include "bus/bus_line.h"
#include "bus/bus_list_store.h"
#include "bus/bus_table.h"
#include "device/line_engine.h"
#include "link/connection_values.h"
#include "monitor/line_counters.h"
#include "widgets/device_window.h"
#include "widgets/window_services.h"

// The bus window: every device of the line in one table, each polled in turn on the window's own
// line engine (one device's turn per job, the next given when it ends, so presses go first).
// "Stop all" and Esc send ABORT to ID 00 between two exchanges of whatever runs. The opener hands
// over its connection values; "Drive" hands back the chosen ID as ComAddress and accepts the
// window, which the opener then picks as its device.
class BusWindow : public DeviceWindow {
    Q_OBJECT
  public:
    explicit BusWindow(const WindowServices& services, QWidget* parent = nullptr);
    ~BusWindow() override;

    ConnectionValues values;

    BusTable* Devices;
    QLabel* IDLabel;
    QSpinBox* AddID;
    QPushButton* Add;
    QPushButton* Remove;
    QPushButton* SearchAll;  // "Search 01-99"
    QProgressBar* Progress;
    QPushButton* Cancel;
    QPushButton* Columns;
    QPushButton* StopAll;
    QPushButton* Drive;
    QPushButton* Diagnose;
    QPushButton* Close;
    QLabel* StatusLine;
    QTimer* StatusTimer;
    QTimer* PollTimer;  // zero time: the next device's turn after one that has ended

    // What the status line shows now; the timer renews it twice a second.
    void refreshStatus();
    // Gives the line the next device's turn unless a job of the window is on it; PollTimer calls
    // it, tests drive it directly.
    void PollTimer_Timer() { schedule(); }

  protected:
    // Reads the remembered list (or looks at 01-09) and starts polling.
    void onLoad() override;
    // Ends the line work and releases the port.
    void onUnload() override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    struct Probe;
    struct Diagnosis;

    void buildLayout();
    void connectPresses();
    void Add_Click();
    void Remove_Click();
    void SearchAll_Click();
    void Cancel_Click();
    void StopAll_Click();
    void Drive_Click();
    void Diagnose_Click();

    // The user changed the list: show it, remember it, poll it.
    void changeList(const QStringList& ids);
    void startProbe(const QStringList& ids, bool discovery);
    void finishProbe();
    void showWorkControls();

    // Gives the line its next job when none of ours is on it: opening, a probe, a doctor step,
    // else the next device's turn.
    void schedule();
    void jobEnded();
    LineEngine::Job nextJob();
    LineEngine::Job openJob();
    LineEngine::Job probeJob(const QString& id);
    LineEngine::Job pollJob();
    LineEngine::Job doctorJob();
    void probed(const QString& id, bool found);
    void polled(const BusRow& row);
    void doctorStepped(int done, int total, const QString& text);
    void doctorFinished(const QString& report);
    void lineFailed(const QString& failure);
    void endLine();
    qint64 nowMs() const;

    WindowServices services_;
    std::unique_ptr<BusListStore> store_;
    QStringList ids_;           // the listed devices, ascending
    bool fileRefused_ = false;  // the remembered list was refused: not written until changed
    bool opened_ = false;       // the opening job was given
    bool onLine_ = false;       // one of our jobs is on the line
    QString failure_;           // the line failed: why
    std::unique_ptr<Probe> probe_;
    std::unique_ptr<Diagnosis> diagnosis_;
    QString doing_;  // what the window is doing, for the status line
    QString note_;   // what it last had to say (a refused file, a search's result)
    QMap<QString, qint64> lastAnswerMs_;
    quint64 polls_ = 0;
    ExchangeRate pollRate_;
    // The line side: used by the jobs only, in the engine's thread.
    BusLine busLine_;
    // Last, so that it ends first: its jobs use the members above.
    std::unique_ptr<LineEngine> engine_;
};

// "1 device", "4 devices".
QString deviceCountText(int n);
