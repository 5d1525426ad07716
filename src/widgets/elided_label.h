#pragma once

#include <QLabel>

// A one-line label that never widens its window: it shows as much of its text as fits, the
// middle left out ("…"), and text() stays the whole text. The text is plain text, as it is drawn.
class ElidedLabel : public QLabel {
  public:
    explicit ElidedLabel(const QString& text = QString(), QWidget* parent = nullptr);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

  protected:
    void paintEvent(QPaintEvent* event) override;
};
