#pragma once

#include <QString>
#include <deque>
#include <utility>

#include "link/connection_values.h"
#include "link/exchange.h"

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
