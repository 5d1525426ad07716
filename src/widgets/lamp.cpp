#include "widgets/lamp.h"

#include <QPainter>

Lamp::Lamp(const QColor& color, QWidget* parent) : QWidget(parent), color_(color) {
    setFixedSize(sizeHint());
}

void Lamp::setOn(bool on) {
    if (on_ != on) {
        on_ = on;
        update();
    }
}

void Lamp::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(color_.darker(130), 1.5));
    painter.setBrush(on_ ? QBrush(color_) : QBrush(Qt::transparent));
    const qreal side = qMin(width(), height()) - 3.0;
    painter.drawEllipse(QRectF((width() - side) / 2, (height() - side) / 2, side, side));
}
