#pragma once

#include <QGroupBox>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QString>

// Creates a widget whose objectName is its given name, so tests and style find it.
template <typename W, typename... Args>
W* named(const char* name, Args&&... args) {
    W* w = new W(std::forward<Args>(args)...);
    w->setObjectName(QLatin1String(name));
    return w;
}

// A read-only, framed text field for a device value.
QLineEdit* valueDisplay(const char* name, const QString& initial = QString(), int minWidth = 70);

// A tooltip that shows text from outside (an adapter's description, a link's target) as it is.
// Qt reads a tooltip whose first line looks like rich text ("<b>...") as rich text; such text is
// given escaped, inside rich text that keeps its spaces and line breaks.
QString plainToolTip(const QString& text);

// Sets a text field's background colour (and a readable text colour on it).
void setBackground(QWidget* widget, const QColor& color);

class QToolButton;

// A button with a small picture above its caption.
QToolButton* pictureButton(const char* name, const QString& caption, const QIcon& icon);

// Simple pictures drawn in code for the picture buttons.
enum class Glyph {
    ArrowRight,
    ArrowLeft,
    HomeRight,
    HomeLeft,
    Stop,
    Abort,
    Target,
    Datum,
    Setup,
    Terminal,
    Connect,
    Chart,
    Bus
};
QIcon glyphIcon(Glyph glyph);
