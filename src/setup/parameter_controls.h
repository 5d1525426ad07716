#pragma once

#include <QCheckBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QList>

// The "Misc", "Limit Home", "Pos Guard" and "Current" frames: the device's ordinary parameters,
// each shown in the control that holds it.
struct ParameterControls {
    ParameterControls();

    QGroupBox* miscFrame;
    QLineEdit* EOBOOT;
    QLineEdit* DOBOOT;
    QCheckBox* EDOenable;
    QCheckBox* DecEnable;

    QGroupBox* limitHomeFrame;
    QLineEdit* LCA;
    QCheckBox* ReturnZero;

    QGroupBox* posGuardFrame;
    QCheckBox* PosGuardEnable;
    QLineEdit* PosGuardMaxAttempt;
    QLineEdit* PosGuardTolRange;
    QLineEdit* PosGuardErrorRange;
    QLineEdit* PosGuardHighSpeed;
    QLineEdit* PosGuardIdleTime;
    QLineEdit* PosGuardRatio;

    QGroupBox* currentFrame;
    QLineEdit* RunCurrent;
    QLineEdit* IdleCurrent;
    QLineEdit* IdleTime;

    // The parameters read and written as plain text, in the order the device is asked for them.
    struct TextParameter {
        const char* key;
        QLineEdit* box;
    };
    QList<TextParameter> textParameters() const;

  private:
    void buildMisc();
    void buildLimitHome();
    void buildPosGuard();
    void buildCurrent();
};
