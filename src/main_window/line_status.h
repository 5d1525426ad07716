#pragma once

#include <QLabel>
#include <QTimer>
#include <functional>
#include <utility>

#include "monitor/line_counters.h"

class MainSession;

// The main window's line-quality line: how busy and how healthy the line is since the window
// connected, and the port with its line settings. Renewed twice a second from the line's own
// counts; the polling cycle knows nothing of it.
class LineStatus : public QLabel {
    Q_OBJECT
  public:
    LineStatus(MainSession& session, std::function<qint64()> clockMs, QWidget* parent = nullptr);

    void refresh();

  private:
    MainSession& session_;
    std::function<qint64()> clockMs_;
    ExchangeRate rate_;
    QTimer timer_;
};
