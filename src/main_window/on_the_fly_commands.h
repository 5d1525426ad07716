#pragma once

#include <QString>

class MainSession;
class MainLine;
struct OnTheFlyPanel;

// The on-the-fly frames: a new target position, a new speed with its acceleration, and the
// speed-change mode, each sent at once without the speed profile. Entry texts go out as typed,
// as they were at the press.
class OnTheFlyCommands {
  public:
    OnTheFlyCommands(MainSession& session, OnTheFlyPanel& panel);

    // In the job:
    static void Command10_Click(MainLine& m, const QString& position);  // "Change Position"
    static void Command9_Click(MainLine& m, const QString& acceleration,
                               const QString& speed);              // "Set Speed"
    static void Command8_Click(MainLine& m, const QString& mode);  // "Set SSPDM"

  private:
    // "Error Setting Speed! " and the reply, unless the device said exactly "OK".
    static void checkReply(MainLine& m, const QString& reply);
};
