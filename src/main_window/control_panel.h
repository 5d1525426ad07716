#pragma once

#include <QCheckBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>

// The "Control" frame: jog, homing, stop, move mode, move, datum and counter buttons, the
// position entry, the four profile entries, S-curve/trapezoid and the motor enable.
struct ControlPanel {
    ControlPanel();

    QGroupBox* frame;
    QToolButton* JOGP;
    QToolButton* JOGN;
    QToolButton* HOMEP;
    QToolButton* HOMEN;
    QToolButton* HOMELP;
    QToolButton* HOMELN;
    QToolButton* LHOMEP;
    QToolButton* LHOMEN;
    QToolButton* ZHOMEPLUS;
    QToolButton* ZHOMEMINUS;
    QToolButton* Command4;  // "Z+"
    QToolButton* Command3;  // "Z-"
    QToolButton* RSTOP;
    QToolButton* ISTOP;
    QPushButton* ABSMode;
    QPushButton* INCMode;
    QToolButton* abs;       // move to SetPosition
    QPushButton* Command5;  // "SP"
    QPushButton* Command6;  // "SE"
    QToolButton* Datum;
    QLineEdit* SetPosition;
    QLineEdit* SetSpeed;
    QLineEdit* LSpeed;
    QLineEdit* Accel;
    QLineEdit* Decel;
    QPushButton* Command11;  // "Scurve"
    QPushButton* Command12;  // "Trap"
    QCheckBox* EnableStat;
};
