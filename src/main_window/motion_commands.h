#pragma once

#include "main_window/speed_profile.h"

#include <QString>

class MainSession;
class MainLine;
class QAbstractButton;
class QLineEdit;
struct ControlPanel;
struct StatusPanel;

// The motion buttons of the "Control" frame and the "R", "R", "C" buttons of the "Status" frame:
// jog, homing, stops, move mode, moves, counters, ramp type and the mode-preserving datum move.
// Replies are not looked at, except the move mode that the datum move reads.
class MotionCommands {
  public:
    MotionCommands(MainSession& session, ControlPanel& control, StatusPanel& status,
                   SpeedProfile& profile);

    // In the job: a move to absolute position 0 that leaves the device in the move mode it was
    // in.
    void Datum_Click(MainLine& m, const SpeedProfile::Values& profile);

  private:
    void connectFixed(QAbstractButton* button, const QString& command);
    void connectWithPosition(QAbstractButton* button, const QString& prefix);
    void connectStop(QAbstractButton* button, const QString& command);

    MainSession& session_;
    SpeedProfile& profile_;
    QLineEdit* position_;
};
