#pragma once

#include <QString>
#include <optional>

class MainSession;
class MainLine;
struct DioPanel;
struct SyncPanel;

// The three output toggles of the "DIO Status" frame and the switch of the "Sync Output" frame.
class OutputCommands {
  public:
    OutputCommands(MainSession& session, DioPanel& dio, SyncPanel& sync);

    // In the job: asks the device for output 1..3 and switches it the other way: on when it
    // reads 0, off for any other reply.
    static void DOSet_Click(MainLine& m, int output);

    // The sync output's controls as they were when its box was clicked.
    struct Sync {
        std::optional<QString> comparison;  // "SYNC=1", "=2" or "=3"; none when none is chosen
        QString position;
        bool enabled = false;
    };
    Sync readSync() const;
    // In the job: comparison, position and switch of the sync output, sent on every click of
    // its box.
    void SyncEnable_Click(MainLine& m, const Sync& sync);

  private:
    SyncPanel& sync_;
};
