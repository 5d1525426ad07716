#pragma once

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <memory>

#include "device/line_engine.h"
#include "link/connection_values.h"
#include "terminal/log_view.h"
#include "widgets/device_window.h"
#include "widgets/window_services.h"

// The terminal window: raw command lines for any device ID, each line sent and each reply
// received kept in a log that can be saved. The opener sets the connection values before showing
// it; the window opens the port itself when it is first shown and closes it when it is closed.
// The port lives in the window's line engine: opening it and each line typed are jobs, run in the
// order given while the window stays free; the log and the messages come back to it.
class TerminalForm : public DeviceWindow {
    Q_OBJECT
  public:
    explicit TerminalForm(const WindowServices& services, QWidget* parent = nullptr);
    ~TerminalForm() override;

    // The exact log text, CR LF line ends, as a save writes it.
    const QString& logText() const { return log_.text(); }
    LogView& log() { return log_; }

    // The last line submitted with Enter; F1 brings it back. Kept for the life of the program,
    // across closing and reopening the window.
    static QString PreviousCommand;

    ConnectionValues values;  // ComStatus is not handed over and not used

    QLabel* IDLabel;
    QLineEdit* DeviceID;
    QLineEdit* SendText;
    QPlainTextEdit* Pad;
    QPushButton* Command2;  // "Save"
    QPushButton* Close;

  protected:
    // Fills the boxes and opens the port when the opener had its port open.
    void onLoad() override;
    void onUnload() override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void buildLayout();
    void SendText_Enter();
    void Command2_Click();
    void closePort();
    LineEngine::Job openJob(int portNumber, const QString& baudrate);
    LineEngine::Job lineJob(const QString& idText, const QString& command);

    WindowServices services_;
    LogView log_;
    // Whether the port opened: read and written by the jobs only, in the engine's thread.
    bool linePortOpen_ = false;
    // Last, so that it ends first: its jobs use the members above.
    std::unique_ptr<LineEngine> engine_;
};
