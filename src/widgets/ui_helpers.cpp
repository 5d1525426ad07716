#include "widgets/ui_helpers.h"

#include <QPalette>
#include <QTextDocument>

QLineEdit* valueDisplay(const char* name, const QString& initial, int minWidth) {
    auto* box = named<QLineEdit>(name, initial);
    box->setReadOnly(true);
    box->setFocusPolicy(Qt::NoFocus);
    box->setMinimumWidth(minWidth);
    box->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return box;
}

QString plainToolTip(const QString& text) {
    if (!Qt::mightBeRichText(text)) {
        return text;  // shown as plain text already
    }
    return QStringLiteral("<p style=\"white-space:pre\">") + text.toHtmlEscaped() +
           QStringLiteral("</p>");
}

void setBackground(QWidget* widget, const QColor& color) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Base, color);
    palette.setColor(QPalette::Window, color);
    const bool dark = color.lightness() < 140;
    palette.setColor(QPalette::Text, dark ? Qt::white : Qt::black);
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

#include <QIcon>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QToolButton>

QToolButton* pictureButton(const char* name, const QString& caption, const QIcon& icon) {
    auto* button = named<QToolButton>(name);
    button->setText(caption);
    button->setIcon(icon);
    button->setIconSize(QSize(20, 20));
    button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    button->setMinimumWidth(52);
    return button;
}

namespace {

void drawArrow(QPainter& p, bool right, bool toWall) {
    QPainterPath path;
    const qreal tip = right ? 17 : 3;
    const qreal base = right ? 7 : 13;
    path.moveTo(tip, 10);
    path.lineTo(base, 3);
    path.lineTo(base, 17);
    path.closeSubpath();
    p.fillPath(path, QColor(40, 90, 170));
    p.setPen(QPen(QColor(40, 90, 170), 3));
    p.drawLine(QPointF(right ? 1 : 19, 10), QPointF(base, 10));
    if (toWall) {
        p.setPen(QPen(QColor(60, 60, 60), 2));
        p.drawLine(QPointF(right ? 19 : 1, 2), QPointF(right ? 19 : 1, 18));
    }
}

}  // namespace

QIcon glyphIcon(Glyph glyph) {
    QPixmap pixmap(40, 40);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(2, 2);  // drawn on a 20 x 20 grid
    switch (glyph) {
        case Glyph::ArrowRight:
            drawArrow(p, true, false);
            break;
        case Glyph::ArrowLeft:
            drawArrow(p, false, false);
            break;
        case Glyph::HomeRight:
            drawArrow(p, true, true);
            break;
        case Glyph::HomeLeft:
            drawArrow(p, false, true);
            break;
        case Glyph::Stop:
            p.setBrush(QColor(200, 140, 0));
            p.setPen(Qt::NoPen);
            p.drawRoundedRect(QRectF(3, 3, 14, 14), 3, 3);
            break;
        case Glyph::Abort:
            p.setBrush(QColor(210, 30, 30));
            p.setPen(Qt::NoPen);
            p.drawEllipse(QRectF(1, 1, 18, 18));
            p.setPen(QPen(Qt::white, 2.5));
            p.drawLine(QPointF(6, 6), QPointF(14, 14));
            p.drawLine(QPointF(14, 6), QPointF(6, 14));
            break;
        case Glyph::Target:
            p.setPen(QPen(QColor(40, 90, 170), 2));
            p.drawEllipse(QRectF(3, 3, 14, 14));
            p.drawEllipse(QRectF(8, 8, 4, 4));
            break;
        case Glyph::Datum:
            p.setPen(QPen(QColor(40, 90, 170), 2));
            p.drawLine(QPointF(10, 2), QPointF(10, 18));
            p.drawLine(QPointF(2, 10), QPointF(18, 10));
            p.drawEllipse(QRectF(6, 6, 8, 8));
            break;
        case Glyph::Setup:
            p.setPen(QPen(QColor(70, 70, 70), 2));
            for (int y : {5, 10, 15}) {
                p.drawLine(QPointF(2, y), QPointF(18, y));
            }
            p.setBrush(QColor(40, 90, 170));
            p.drawEllipse(QRectF(5, 3, 4, 4));
            p.drawEllipse(QRectF(11, 8, 4, 4));
            p.drawEllipse(QRectF(7, 13, 4, 4));
            break;
        case Glyph::Terminal:
            p.setBrush(QColor(30, 30, 30));
            p.setPen(Qt::NoPen);
            p.drawRoundedRect(QRectF(1, 3, 18, 14), 2, 2);
            p.setPen(QPen(QColor(80, 220, 80), 1.8));
            p.drawLine(QPointF(4, 7), QPointF(7, 10));
            p.drawLine(QPointF(7, 10), QPointF(4, 13));
            p.drawLine(QPointF(9, 13), QPointF(14, 13));
            break;
        case Glyph::Connect:
            p.setPen(QPen(QColor(40, 90, 170), 2));
            p.setBrush(QColor(220, 230, 245));
            p.drawRoundedRect(QRectF(2, 5, 16, 10), 3, 3);
            for (int x : {6, 10, 14}) {
                p.drawPoint(QPointF(x, 10));
            }
            break;
        case Glyph::Chart:
            p.setPen(QPen(QColor(70, 70, 70), 1.5));
            p.drawLine(QPointF(2, 2), QPointF(2, 18));
            p.drawLine(QPointF(2, 18), QPointF(18, 18));
            p.setPen(QPen(QColor(40, 90, 170), 2));
            p.drawPolyline(QPolygonF({{3, 15}, {7, 10}, {11, 12}, {17, 4}}));
            break;
        case Glyph::Bus:
            // Three devices on one line.
            p.setPen(QPen(QColor(70, 70, 70), 2));
            p.drawLine(QPointF(1, 15), QPointF(19, 15));
            p.setBrush(QColor(40, 90, 170));
            p.setPen(Qt::NoPen);
            for (int x : {2, 8, 14}) {
                p.drawRoundedRect(QRectF(x, 4, 4, 7), 1, 1);
                p.fillRect(QRectF(x + 1.5, 11, 1, 4), QColor(70, 70, 70));
            }
            break;
    }
    return QIcon(pixmap);
}
