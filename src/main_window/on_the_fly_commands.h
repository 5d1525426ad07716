#pragma once

#include <QString>

class MainSession;
class Prompter;
struct OnTheFlyPanel;

// The on-the-fly frames: a new target position, a new speed with its acceleration, and the
// speed-change mode, each sent at once without the speed profile. Entry texts go out as typed.
class OnTheFlyCommands {
  public:
    OnTheFlyCommands(MainSession& session, OnTheFlyPanel& panel, Prompter& prompter);

    void Command10_Click();  // "Change Position"
    void Command9_Click();   // "Set Speed"
    void Command8_Click();   // "Set SSPDM"

  private:
    // "Error Setting Speed! " and the reply, unless the device said exactly "OK".
    void checkReply(const QString& reply);

    MainSession& session_;
    OnTheFlyPanel& panel_;
    Prompter& prompter_;
};
