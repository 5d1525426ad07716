#pragma once

#include <QAbstractButton>
#include <QGroupBox>
#include <array>

#include "widgets/lamp.h"

// A click area around an output lamp: the lamp shows the device's output, a click toggles it.
class LampButton : public QAbstractButton {
    Q_OBJECT
  public:
    explicit LampButton(Lamp* lamp, QWidget* parent = nullptr);
    QSize sizeHint() const override;

  protected:
    void paintEvent(QPaintEvent* event) override;
};

// The "DIO Status" frame: input lamps DI1 to DI6, output lamps DO1 to DO3 in their click areas.
struct DioPanel {
    DioPanel();

    QGroupBox* frame;
    std::array<Lamp*, 6> In;           // In1 .. In6
    std::array<Lamp*, 3> DO;           // DO1 .. DO3
    std::array<LampButton*, 3> DOSet;  // DOSet1 .. DOSet3
};
