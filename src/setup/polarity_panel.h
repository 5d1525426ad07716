#pragma once

#include <QGroupBox>
#include <QRadioButton>
#include <array>
#include <cstdint>

#include "device/parameter_codes.h"

// The "Polarity" frame: one Low/High option pair per signal; together they are the device's
// polarity word.
struct PolarityPanel {
    PolarityPanel();

    QGroupBox* frame;
    QRadioButton* PulsePolLow;
    QRadioButton* PulsePolHigh;
    QRadioButton* DirPolLow;
    QRadioButton* DirPolHigh;
    QRadioButton* LimitPolLow;
    QRadioButton* LimitPolHigh;
    QRadioButton* HomePolLow;
    QRadioButton* HomePolHigh;
    QRadioButton* LatchPolLow;
    QRadioButton* LatchPolHigh;
    QRadioButton* InPosPolLow;
    QRadioButton* InPosPolHigh;
    QRadioButton* AlarmPolLow;
    QRadioButton* AlarmPolHigh;

    int32_t word() const;
    void setWord(int32_t word);

  private:
    struct Pair {
        QRadioButton* low;
        QRadioButton* high;
    };
    // In the order of the word's bits (see kPolarityBits).
    std::array<Pair, 7> pairs() const;
};
