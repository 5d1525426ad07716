#include "main_window/line_status.h"

#include "main_window/main_session.h"

LineStatus::LineStatus(MainSession& session, std::function<qint64()> clockMs, QWidget* parent)
    : QLabel(parent), session_(session), clockMs_(std::move(clockMs)) {
    setObjectName(QStringLiteral("LineStatus"));
    setTextFormat(Qt::PlainText);  // it names the port's device path
    setToolTip(QStringLiteral(
        "Exchanges with the device per second, commands that got no reply and late replies "
        "dropped since the window connected; the port and its line settings"));
    connect(&timer_, &QTimer::timeout, this, &LineStatus::refresh);
    timer_.start(500);
    refresh();
}

void LineStatus::refresh() {
    const LineState& line = session_.line;
    rate_.note(clockMs_(), line.exchanges);
    setText(lineStatusText(rate_.perSecond(), line, session_.values));
}
