#pragma once

#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>

#include "widgets/lamp.h"

// The "Status" frame: counters, speed, delta, current, motion status with its lamps, Pos Guard
// state, move mode, the S-curve lamp and the "R", "R" and "C" buttons.
struct StatusPanel {
    StatusPanel();

    QGroupBox* frame;
    QLineEdit* Pos;
    QLineEdit* Enc;
    QLineEdit* Speed;
    QLineEdit* delta;
    QLineEdit* CurCurrent;
    QLineEdit* Stat;
    QLineEdit* PosGuardStatus;
    QLineEdit* MoveMode;
    QPushButton* ResetPos;
    QPushButton* ResetEnc;
    QPushButton* clear;
    Lamp* PosLim;
    Lamp* Home;
    Lamp* NegLim;
    Lamp* ZIndex;
    Lamp* Scv;
};
