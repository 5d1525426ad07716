#pragma once

#include <QPushButton>
#include <memory>

#include "device/device_session.h"
#include "device/line_engine.h"
#include "setup/parameter_view.h"
#include "setup/setup_controls.h"
#include "widgets/device_window.h"
#include "widgets/window_services.h"

// "Setup Parameters": one device's configuration, uploaded from the device when the window
// opens, edited, downloaded, saved to and opened from parameter files, and stored in the
// device's flash. The opener sets values() before showing it; nothing is handed back. While it
// is shown the window owns the serial port.
//
// The port lives in the window's line engine, and every press is a job there, run in the order
// the presses came: the window's thread never waits on the line. A device operation takes the
// parameter set from the controls at the press and runs the device layer's operation on it in
// the engine's thread; its messages and questions are shown here while it waits, and the values
// it reached are shown in the controls. "Save" and "Open" read and set the controls in their
// turn, after the results of the operations pressed before them are shown.
class SetupParameters : public DeviceWindow {
    Q_OBJECT
  public:
    explicit SetupParameters(const WindowServices& services, QWidget* parent = nullptr);
    ~SetupParameters() override;

    // As the opener hands them over before the window is shown; then as the last operation
    // left them (its own copy lives in the engine's thread).
    ConnectionValues& values() { return values_; }

    SetupControls controls;
    QPushButton* UploadPar;
    QPushButton* DownloadPar;
    QPushButton* SaveParameters;
    QPushButton* OpenParameters;
    QPushButton* SetSN;  // "Store"
    QPushButton* Close;

  protected:
    // Fills the lists, then opens the port and uploads, as a press of "Upload" would.
    void onLoad() override;
    void onUnload() override;

  private:
    using Operation = std::function<void(DeviceSession&, ParameterSet&)>;

    void buildLayout();
    void wireButtons();
    // Gives a job to the engine, with done to follow it here; nothing once the window closed.
    void post(LineEngine::Job job, std::function<void()> done = {});
    // A job that runs operation on the set the controls hold now and shows where it got.
    void postOperation(Operation operation);
    // In the engine's thread: the session on the engine's line, made by the first job.
    DeviceSession& session(LineEngine::Line& line);
    // In the engine's thread: hands the session's connection values back to values().
    void handBack(LineEngine::Line& line);
    void openPort(DeviceSession& session);

    void UploadPar_Click();
    void DownloadPar_Click();
    void SetSN_Click();
    void SaveParameters_Click();
    void OpenParameters_Click();
    void Close_Click();

    WindowServices services_;
    ConnectionValues values_;
    // Made by the first job and used by the jobs only, in the engine's thread; they are released
    // after the engine has ended.
    std::unique_ptr<JobReporter> reporter_;
    std::unique_ptr<DeviceSession> session_;
    std::unique_ptr<LineEngine> engine_;  // until the window closes
};
