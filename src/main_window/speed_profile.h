#pragma once

#include <QString>
#include <array>

class MainLine;
class QLineEdit;
struct ControlPanel;

// The move profile of the "Control" frame (high speed, low speed, acceleration, deceleration),
// read from its four entries when a motion button is pressed and sent before its command.
// Nothing is cached.
class SpeedProfile {
  public:
    explicit SpeedProfile(ControlPanel& control);

    // The four entries as typed, read in the window's thread at the press.
    using Values = std::array<QString, 4>;
    Values read() const;

    // In the job: "HSPD=", "LSPD=", "ACC=", "DEC=", each with its entry in the whole-number form.
    // Ends at an entry that holds no such number (the user is told, the entry selected) or once
    // the port has failed. True when all four went out.
    bool SendSpeedProfile(MainLine& m, const Values& values);
    // The profile, then the command. True when the command went out.
    bool SendWithProfile(MainLine& m, const Values& values, const QString& command);
    // A stop is never held back by an unrelated entry: a bad entry ends only the profile, the
    // stop goes out at once, and the entry is reported after it.
    void SendStopWithProfile(MainLine& m, const Values& values, const QString& command);

  private:
    struct Entry {
        const char* label;   // the caption beside the entry, used in messages
        const char* prefix;  // the command it builds
        QLineEdit* box;
    };
    enum class End { Complete, BadEntry, PortLost };
    End sendEntries(MainLine& m, const Values& values, int& bad);
    void report(MainLine& m, const Values& values, int bad);

    std::array<Entry, 4> entries_;
};
