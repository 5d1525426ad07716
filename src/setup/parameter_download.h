#pragma once

#include <QStringList>

class SetupSession;
struct SetupControls;

// Writes the controls to the device: stops the axis, writes the ordinary parameters, offers the
// communication settings, writes the rest and says "Download Done!". Ends silently after the
// exchange's own message at the first command that fails. Nothing is stored in flash.
class ParameterDownload {
  public:
    ParameterDownload(SetupSession& session, SetupControls& controls);
    void run();

  private:
    QStringList leadingCommands() const;   // before the communication settings
    QStringList trailingCommands() const;  // after them
    bool sendAll(const QStringList& commands);

    SetupSession& session_;
    SetupControls& c_;
};
