#pragma once

#include <QString>
#include <QStringList>
#include <functional>

#include "link/messages.h"

class MainLine;
struct CommunicationPanel;
struct SyncPanel;

// The device the main window talks to: start-up identification, the user's pick of another
// device ID (with the firmware warning) and the program's selection of an ID in the list. Runs
// in the window's jobs; the panels are touched only through the line's show().
class Identification {
  public:
    Identification(CommunicationPanel& comm, SyncPanel& sync);

    // Opens the port and identifies the device. True when polling may start.
    bool startUp(MainLine& m);
    // The user (or the program, by changing the selection) picked an entry of the ID list.
    void SelectedDeviceID_Click(MainLine& m, const QString& id);
    // Puts an ID into the list; a changed selection counts as a pick. False when the ID is not an
    // item of the list.
    bool selectDeviceId(MainLine& m, const QString& id);

    // What the list shows now, as the jobs left it ("" before start-up has picked one).
    QString listed;
    // Runs in the window's thread whenever the device ID in use may have changed (the terminal
    // pane follows it).
    std::function<void(const QString& id)> addressShown;

  private:
    bool identifyAndRead(MainLine& m);
    void lostDevice(MainLine& m);
    void showId(MainLine& m, const QString& text);
    void showVersion(MainLine& m, const QString& text);
    void showCommunicationOk(MainLine& m);
    void showUnknownDevice(MainLine& m);
    void showComparison(MainLine& m, int code);
    void showSyncPosition(MainLine& m, int position);

    CommunicationPanel& comm_;
    SyncPanel& sync_;
};
