#pragma once

#include <QString>
#include <functional>
#include <optional>

class QComboBox;
class SetupSession;
struct CommunicationControls;

// The five settings that decide how the device is reached: method, device ID, node ID, serial
// baud rate, CAN bit rate. Each is read from the device first and written only when it differs
// from the window's choice and the user confirms. None takes effect before the device has stored
// it and been switched off and on; the messages say so.
class CommunicationSettings {
  public:
    CommunicationSettings(SetupSession& session, CommunicationControls& controls);

    // Runs the five steps in order; false when a query or a write failed and the download must
    // end. A declined or refused change is not a failure.
    bool apply();

  private:
    bool applyMethod();
    bool applyDeviceId();
    bool applyNodeId();
    bool applySerialBaud();
    bool applyCanBitRate();

    // Asks before changing an ID and puts the device's own value back into the list on No.
    struct IdChange {
        QString query;
        QComboBox* list;
        std::function<QString(const QString&)> presentOf;   // the reply -> the present ID
        std::function<QString(const QString&)> commandFor;  // the new ID -> the write
        const char* question;
        const char* title;
        const char* done;
        const char* error;
    };
    bool applyId(const IdChange& change);

    // Writes "<key>=<code>" after asking, when the device's code differs from the wanted one.
    bool applyRate(const QString& key, const std::optional<int>& wantedCode, const char* title);

    SetupSession& session_;
    CommunicationControls& c_;
};
