#pragma once

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QRadioButton>

#include "device/parameter_codes.h"

// The "Communication Setup" and "Device ID" frames: how the device is reached.
struct CommunicationControls {
    CommunicationControls();

    QGroupBox* setupFrame;
    QRadioButton* Ena232;
    QRadioButton* Ena485;
    QRadioButton* EnaCAN;
    QCheckBox* RT;
    QComboBox* baudCombo;
    QComboBox* CANbaudCombo;

    QGroupBox* deviceIdFrame;
    QComboBox* DeviceIDCombo;
    QComboBox* NodeIDCombo1;

    // Puts the four lists' items in place, none selected.
    void fillLists();

    // The selected method: RS-485 when its option is set, else CANopen when that one is, else
    // RS-232.
    CommMethod method() const;
    void selectMethod(CommMethod method);
};

// Selects the item equal to text; false (selection unchanged) when the list has no such item.
bool selectItem(QComboBox* list, const QString& text);
// As selectItem; an empty text selects nothing.
void selectOrClear(QComboBox* list, const QString& text);
