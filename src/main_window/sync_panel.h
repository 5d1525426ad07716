#pragma once

#include <QCheckBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QRadioButton>

// The "Sync Output" frame: sync status, comparison, sync position and its switch.
struct SyncPanel {
    SyncPanel();

    QGroupBox* frame;
    QLineEdit* SyncStat;
    QRadioButton* SyncEqual;
    QRadioButton* SyncLessThan;
    QRadioButton* SyncGreaterThan;
    QLineEdit* SyncPos;
    QCheckBox* SyncEnable;

    // The device's "SYNC" code: 1 "=", 2 "<", 3 ">"; any other value changes nothing.
    void showComparison(int code);
    // "=" and position "0", shown whenever the device is lost.
    void reset();
};
