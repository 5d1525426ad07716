#pragma once

#include <QPushButton>
#include <memory>

#include "device/device_session.h"
#include "device/line_engine.h"
#include "setup/parameter_view.h"
#include "setup/setup_controls.h"
#include "widgets/device_window.h"
#include "widgets/press_queue.h"
#include "widgets/window_services.h"

// "Setup Parameters": one device's configuration, uploaded from the device when the window
// opens, edited, downloaded, saved to and opened from parameter files, and stored in the
// device's flash. The opener sets values() before showing it; nothing is handed back. While it
// is shown the window owns the serial port.
//
// The port lives in the window's line engine, and each device operation is a job there: the
// window's thread never waits on the line. An operation takes the parameter set from the controls
// when its press acts and runs the device layer's operation on it in the engine's thread; its
// messages and questions are shown here while it waits, and the values it reached are shown in
// the controls. A press made while an operation is under way acts after it, in order.
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
    // Puts what an operation reached into the controls, knowing the set it was handed.
    using Show = void (*)(const ParameterSet& pressed, const ParameterSet& reached,
                          SetupControls& controls);

    void buildLayout();
    void wireButtons();
    void startUp();
    // Gives a job to the engine; nothing once the window has closed.
    void post(LineEngine::Job job);
    // A press's job: the window is busy, and later presses wait, until the job is done and what
    // it showed is in place.
    void postPress(LineEngine::Job job);
    // A press's job that runs operation on the set the controls hold now and shows where it got:
    // before each of its messages and questions, and at its end.
    void postOperation(Operation operation, Show show);
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
    bool busy_ = false;  // a press's job is under way, or a file command's dialog is open
    PressQueue presses_{busy_};
};
