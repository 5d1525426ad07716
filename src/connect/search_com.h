#pragma once

#include <QDialog>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

#include "device/port_scan.h"
#include "widgets/window_services.h"

class Prompter;

// The small modal progress window of a device search. The scan itself is the PortScan it is
// built on, whose variables the connection dialog sets before the showing and reads after it;
// this window only runs it on its timer, one step per tick, and shows where it stands.
class SearchCom : public QDialog, public PortScan {
    Q_OBJECT
  public:
    explicit SearchCom(const WindowServices& services, QWidget* parent = nullptr);

    // One step of the scan; the timer calls it every 100 ms. Returns at once while an earlier
    // tick is still running (a message box spins a nested event loop in which the timer fires).
    void StatusTimer_Timer();

    QLabel* ProgressLabel;
    QProgressBar* Progress;
    QPushButton* Cancel;
    QTimer* StatusTimer;

  protected:
    void showEvent(QShowEvent* event) override;
    // However the window closes (end of the scan, Escape, its frame), the scan stops at once and
    // the port is closed; the results stay as they are.
    void done(int result) override;

  private:
    void buildLayout();
    void load();
    void Cancel_Click();
    void showState();

    Prompter* prompter_;
    bool busy_ = false;
};
