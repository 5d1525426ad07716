#pragma once

#include <QLabel>
#include <QTimer>
#include <deque>
#include <functional>
#include <utility>

#include "link/connection_values.h"
#include "link/exchange.h"

class MainSession;

// Exchanges per second over the last two seconds, from readings of the line's exchange count.
class ExchangeRate {
  public:
    void note(qint64 ms, quint64 exchanges);
    double perSecond() const;

  private:
    std::deque<std::pair<qint64, quint64>> readings_;
};

// "12.5 exchanges/s, 0 unanswered, 0 late replies dropped   COM1 (/dev/ttyUSB0) 9600,N,8,1".
QString lineStatusText(double perSecond, const LineState& line, const ConnectionValues& values);

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
