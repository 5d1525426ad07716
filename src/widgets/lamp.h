#pragma once

#include <QColor>
#include <QWidget>

// A small round indicator in one colour: filled when on, an empty outline when off.
class Lamp : public QWidget {
    Q_OBJECT
  public:
    explicit Lamp(const QColor& color, QWidget* parent = nullptr);

    void setOn(bool on);
    bool isOn() const { return on_; }
    QColor color() const { return color_; }

    QSize sizeHint() const override { return {16, 16}; }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    QColor color_;
    bool on_ = false;
};
