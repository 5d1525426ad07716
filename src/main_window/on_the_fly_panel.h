#pragma once

#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>

// The "On-The-Fly Target Position" and "On-The-Fly-Speed" frames.
struct OnTheFlyPanel {
    OnTheFlyPanel();

    QGroupBox* positionFrame;
    QLineEdit* OnTheFlyPos;
    QPushButton* Command10;  // "Change Position"

    QGroupBox* speedFrame;
    QLineEdit* SSPDX;
    QLineEdit* SSPDAcc;
    QPushButton* Command9;  // "Set Speed"
    QComboBox* SSPDModeCombo;
    QPushButton* Command8;  // "Set SSPDM"
};
