#pragma once

#include <QString>

struct StatusPanel;
struct ControlPanel;
struct DioPanel;
struct LatchPanel;
struct SyncPanel;

// Writes the polling cycle's coded replies into the status panel. Each show function reads the
// reply as a whole number first; when it is none it writes nothing and returns false, which ends
// the tick. Setting a check box that follows the device runs its click handler at once.
class StatusView {
  public:
    StatusView(StatusPanel& status, ControlPanel& control, DioPanel& dio, LatchPanel& latch,
               SyncPanel& sync);

    bool showCurrent(const QString& reply);       // "CUR"
    bool showLatchState(const QString& reply);    // "LTS"
    bool showSyncState(const QString& reply);     // "SYNS"
    bool showMotionStatus(const QString& reply);  // "MST"
    bool showPosGuard(const QString& reply);      // "SLS"
    bool showInputs(const QString& reply);        // "DI"
    bool showOutputs(const QString& reply);       // "DO"
    bool showSCurve(const QString& reply);        // "SCV"
    bool showEnable(const QString& reply);        // "EO"
    bool showMoveMode(const QString& reply);      // "MM"

  private:
    StatusPanel& status_;
    ControlPanel& control_;
    DioPanel& dio_;
    LatchPanel& latch_;
    SyncPanel& sync_;
};
