#include "monitor/line_counters.h"

#include "link/serial_port.h"
#include "ports/network_ports.h"

namespace {

constexpr qint64 kRateWindowMs = 2000;

QString counted(quint64 n, const char* one, const char* many) {
    return QStringLiteral("%1 %2").arg(n).arg(QLatin1String(n == 1 ? one : many));
}

}  // namespace

void ExchangeRate::note(qint64 ms, quint64 exchanges) {
    readings_.emplace_back(ms, exchanges);
    while (readings_.size() > 2 && readings_.back().first - readings_[1].first >= kRateWindowMs) {
        readings_.pop_front();
    }
}

double ExchangeRate::perSecond() const {
    if (readings_.size() < 2) {
        return 0;
    }
    const auto& [fromMs, from] = readings_.front();
    const auto& [toMs, to] = readings_.back();
    return toMs > fromMs ? double(to - from) * 1000 / double(toMs - fromMs) : 0;
}

QString lineStatusText(double perSecond, const LineState& line, const ConnectionValues& values) {
    const QString port =
        QStringLiteral("COM%1 (%2) %3")
            .arg(values.ComPortNumber)
            .arg(portReach(values.ComPortNumber),
                 values.ComPortStatus ? lineSettings(values.Baudrate) : QStringLiteral("not open"));
    return QStringLiteral("%1 exchanges/s, %2 unanswered, %3   %4")
        .arg(QString::number(perSecond, 'f', 1), QString::number(line.unanswered),
             counted(line.staleDropped, "late reply dropped", "late replies dropped"), port);
}
