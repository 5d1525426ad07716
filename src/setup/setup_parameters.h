#pragma once

#include <QPushButton>

#include "device/device_session.h"
#include "setup/parameter_view.h"
#include "setup/setup_controls.h"
#include "widgets/device_window.h"
#include "widgets/press_queue.h"
#include "widgets/window_services.h"

// "Setup Parameters": one device's configuration, uploaded from the device when the window
// opens, edited, downloaded, saved to and opened from parameter files, and stored in the
// device's flash. The opener sets values() before showing it; nothing is handed back. While it
// is shown the window owns the serial port. The operations are the device layer's, run on the
// parameter set the controls hold; the window shows, asks and confirms.
class SetupParameters : public DeviceWindow {
    Q_OBJECT
  public:
    explicit SetupParameters(const WindowServices& services, QWidget* parent = nullptr);
    ~SetupParameters() override;

    ConnectionValues& values() { return session_.values; }
    DeviceSession& session() { return session_; }

    SetupControls controls;
    QPushButton* UploadPar;
    QPushButton* DownloadPar;
    QPushButton* SaveParameters;
    QPushButton* OpenParameters;
    QPushButton* SetSN;  // "Store"
    QPushButton* Close;

  protected:
    // Opens the port, fills the lists and uploads, as a press of "Upload" would.
    void onLoad() override;
    void onUnload() override;

  private:
    void buildLayout();
    void wireButtons();
    void startUp();
    void openPort();

    void UploadPar_Click();
    void DownloadPar_Click();
    void SetSN_Click();
    void SaveParameters_Click();
    void OpenParameters_Click();
    void Close_Click();

    WindowServices services_;
    WindowReporter reporter_;
    DeviceSession session_;
    bool busy_ = false;  // an operation or the opening upload runs
    PressQueue presses_{busy_};
};
