#pragma once

#include <QCheckBox>
#include <QGroupBox>
#include <QLineEdit>

#include "widgets/lamp.h"

// The "Latch Input" frame: latch status, latched position and encoder, input lamp, enable.
struct LatchPanel {
    LatchPanel();

    QGroupBox* frame;
    QLineEdit* LatchStat;
    QLineEdit* LatchPos;
    QLineEdit* LatchEnc;
    Lamp* LatchIn;
    QCheckBox* EnableLatch;
};
