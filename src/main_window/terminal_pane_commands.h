#pragma once

#include <QObject>
#include <QString>
#include <optional>

class MainSession;
class MainLine;
class SerialPort;
struct TerminalPane;

// The terminal pane's behaviour: Enter (or "Send") writes the typed line to the device ID of the
// pane's list and shows the reply as it came; F1 recalls the last line sent. The pane's ID list
// follows the window's device ID.
class TerminalPaneCommands : public QObject {
    Q_OBJECT
  public:
    TerminalPaneCommands(MainSession& session, TerminalPane& pane);

    // The pane's ID list shows the window's device ID.
    void followDeviceId(const QString& id);
    // F1: the entry shows the last line sent.
    void recallPreviousCommand();
    // Enter: sends the entry's line when the device is communicating and the line is not empty.
    // A failure of the port takes the window's port-failure path.
    void sendLine();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    // In the job.
    void exchangeLine(MainLine& m, const QString& address, const QString& line);

    MainSession& session_;
    TerminalPane& pane_;
};

// Reads one reply line as it comes (its CR not included), waiting at most 500 empty reads of 1 ms
// after the last character; nothing when the device fell silent first.
std::optional<QString> readPaneReply(SerialPort& port);
