#pragma once

#include <QString>
#include <array>

class MainSession;
class Prompter;
class QLineEdit;
struct ControlPanel;

// The move profile of the "Control" frame (high speed, low speed, acceleration, deceleration),
// read from its four entries and sent before every motion command. Nothing is cached.
class SpeedProfile {
  public:
    SpeedProfile(MainSession& session, ControlPanel& control, Prompter& prompter);

    // "HSPD=", "LSPD=", "ACC=", "DEC=", each with its entry in the whole-number form. Ends at an
    // entry that holds no such number (the user is told, the entry selected) or once the port
    // has failed. True when all four went out.
    bool SendSpeedProfile();
    // The profile, then the command. True when the command went out.
    bool SendWithProfile(const QString& command);
    // A stop is never held back by an unrelated entry: a bad entry ends only the profile, the
    // stop goes out at once, and the entry is reported after it.
    void SendStopWithProfile(const QString& command);

  private:
    struct Entry {
        const char* label;   // the caption beside the entry, used in messages
        const char* prefix;  // the command it builds
        QLineEdit* box;
    };
    enum class End { Complete, BadEntry, PortLost };

    End sendEntries(const Entry*& bad);
    void report(const Entry& bad);

    MainSession& session_;
    Prompter& prompter_;
    std::array<Entry, 4> entries_;
};
