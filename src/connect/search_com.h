#pragma once

#include <QDialog>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <memory>

#include "device/line_engine.h"
#include "device/port_scan.h"
#include "widgets/window_services.h"

class Prompter;

// The small modal progress window of a device search. The connection dialog sets the scan's
// variables on it before the showing and reads the results after it. The scan itself runs on
// the window's line engine, which owns the port: on its timer the window gives the engine one
// step at a time, and each step hands back where the scan stands, which the window keeps as its
// own copy of the variables and shows. So the window never waits on the line.
class SearchCom : public QDialog, public ScanState {
    Q_OBJECT
  public:
    explicit SearchCom(const WindowServices& services, QWidget* parent = nullptr);
    ~SearchCom() override;

    // Gives the engine the next step of the scan; the timer calls it every 100 ms. Does nothing
    // while a step is still on the line, or once the scan has ended or the window closed.
    void StatusTimer_Timer();

    QLabel* ProgressLabel;
    QProgressBar* Progress;
    QPushButton* Cancel;
    QTimer* StatusTimer;

  protected:
    void showEvent(QShowEvent* event) override;
    // However the window closes (end of the scan, Escape, its frame), the scan stops: the step
    // under way ends, the port is closed, and the window's variables hold where the scan stood.
    void done(int result) override;

  private:
    void buildLayout();
    void load();
    void Cancel_Click();
    void showState();
    void adopt(const ScanState& state);
    void stepDone(const ScanState& state, ScanTick outcome);
    void endScan();
    LineEngine::Job beginJob();
    LineEngine::Job stepJob(bool cancelled);

    WindowServices services_;
    Prompter* prompter_;
    bool busy_ = false;       // a step is on the line
    bool cancelled_ = false;  // "Cancel" was pressed: the next step ends the scan
    // The scan on the line: made by the showing's first job on the engine's port, then used by
    // the jobs only, until the engine is gone.
    std::unique_ptr<PortScan> lineScan_;
    // What the showing's jobs report to: gone with the engine, so that nothing a step of an
    // ended showing hands back reaches the window.
    std::unique_ptr<QObject> showing_;
    // Last, so that it ends first: its jobs use the members above.
    std::unique_ptr<LineEngine> engine_;
};
