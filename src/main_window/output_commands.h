#pragma once

#include <QString>
#include <optional>

class MainSession;
class Prompter;
struct DioPanel;
struct SyncPanel;

// The three output toggles of the "DIO Status" frame and the switch of the "Sync Output" frame.
class OutputCommands {
  public:
    OutputCommands(MainSession& session, DioPanel& dio, SyncPanel& sync, Prompter& prompter);

    // Asks the device for output 1..3 and switches it the other way: on when it reads 0, off for
    // any other reply.
    void DOSet_Click(int output);
    // Comparison, position and switch of the sync output, sent on every click of its box.
    void SyncEnable_Click();

  private:
    // "SYNC=1", "=2" or "=3" for the chosen comparison; nothing when none is chosen.
    std::optional<QString> syncComparisonCommand() const;

    MainSession& session_;
    SyncPanel& sync_;
    Prompter& prompter_;
};
