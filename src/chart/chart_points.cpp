#include "chart/chart_points.h"

#include <algorithm>

namespace {

// The index of the first sample at or after ms (samples are in time order).
size_t firstAtOrAfter(const SampleHistory& history, qint64 ms) {
    size_t low = 0;
    size_t high = history.size();
    while (low < high) {
        const size_t mid = (low + high) / 2;
        if (history[mid].ms < ms) {
            low = mid + 1;
        } else {
            high = mid;
        }
    }
    return low;
}

QPointF point(const PollSample& s, int32_t value, qint64 toMs) {
    return {double(s.ms - toMs) / 1000.0, double(value)};
}

// The lowest and highest of one column, kept with their samples' times.
struct Column {
    const PollSample* low = nullptr;
    const PollSample* high = nullptr;
    int32_t lowValue = 0;
    int32_t highValue = 0;

    void take(const PollSample& s, int32_t v) {
        if (!low || v < lowValue) {
            low = &s;
            lowValue = v;
        }
        if (!high || v > highValue) {
            high = &s;
            highValue = v;
        }
    }
    void emitTo(QList<QPointF>& points, qint64 toMs) const {
        if (!low) {
            return;
        }
        const bool lowFirst = low->ms <= high->ms;
        points << point(lowFirst ? *low : *high, lowFirst ? lowValue : highValue, toMs);
        if (low != high) {
            points << point(lowFirst ? *high : *low, lowFirst ? highValue : lowValue, toMs);
        }
    }
};

}  // namespace

QList<QPointF> chartPoints(const SampleHistory& history, PollSample::Field field, TimeSpan span,
                           int columns, bool freshOnly) {
    const size_t first = firstAtOrAfter(history, span.fromMs);
    const size_t end = firstAtOrAfter(history, span.toMs + 1);
    const qint64 width = std::max<qint64>(1, span.toMs - span.fromMs);
    columns = std::max(1, columns);
    const bool thin = end - first > size_t(2 * columns);
    QList<QPointF> points;
    Column column;
    qint64 columnIndex = -1;
    for (size_t i = first; i < end; ++i) {
        const PollSample& s = history[i];
        const auto v = s.value(field);
        if (!v || (freshOnly && !s.isFresh(field))) {
            continue;
        }
        if (!thin) {
            points << point(s, *v, span.toMs);
            continue;
        }
        const qint64 index = std::min<qint64>((s.ms - span.fromMs) * columns / width, columns - 1);
        if (index != columnIndex) {
            column.emitTo(points, span.toMs);
            column = Column{};
            columnIndex = index;
        }
        column.take(s, *v);
    }
    column.emitTo(points, span.toMs);
    return points;
}

const PollSample* nearestSample(const SampleHistory& history, qint64 ms) {
    if (history.empty()) {
        return nullptr;
    }
    const size_t after = firstAtOrAfter(history, ms);
    if (after == history.size()) {
        return &history.back();
    }
    if (after > 0 && ms - history[after - 1].ms < history[after].ms - ms) {
        return &history[after - 1];
    }
    return &history[after];
}

QString hoverText(const PollSample& sample, qint64 toMs) {
    const auto shown = [&sample](PollSample::Field f) {
        const auto v = sample.value(f);
        return v ? QString::number(*v) : QStringLiteral("-");
    };
    return QStringLiteral("%1 s\nPosition %2\nEncoder %3\nSpeed %4")
        .arg(QString::number(double(sample.ms - toMs) / 1000.0, 'f', 2),
             shown(PollSample::Position), shown(PollSample::Encoder), shown(PollSample::Speed));
}
