#pragma once

#include <QString>

#include "link/messages.h"

class MainSession;
struct CommunicationPanel;
struct SyncPanel;
class Prompter;

// The device the main window talks to: start-up identification, the user's pick of another
// device ID (with the firmware warning) and the programmatic selection of an ID in the list.
class Identification {
  public:
    Identification(MainSession& session, CommunicationPanel& comm, SyncPanel& sync,
                   Prompter& prompter);

    // Opens the port and identifies the device. True when polling may start.
    bool startUp();
    // The user (or the program, by changing the selection) picked an entry of the ID list.
    void SelectedDeviceID_Click();
    // Puts an ID into the list; a changed selection counts as a pick. False when the ID is not an
    // item of the list.
    bool selectDeviceId(const QString& id);

  private:
    bool identifyAndRead();
    bool readSyncComparison();
    bool readSyncPosition();
    void lostDevice();

    MainSession& session_;
    CommunicationPanel& comm_;
    SyncPanel& sync_;
    Prompter& prompter_;
};

// The compatibility warning for older firmware, or an empty text when there is none.
QString firmwareWarning(const QString& version);
