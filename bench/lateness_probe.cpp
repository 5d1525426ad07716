#include "lateness_probe.h"

#include <algorithm>
#include <chrono>
#include <cmath>

namespace {

qint64 nowNs() {
    using namespace std::chrono;
    return duration_cast<nanoseconds>(steady_clock::now().time_since_epoch()).count();
}

// The nearest-rank percentile of sorted values: the smallest that at least p percent of them
// do not exceed.
qint64 percentile(const QList<qint64>& sorted, double p) {
    const auto rank = qsizetype(std::ceil(p / 100 * double(sorted.size())));
    return sorted.at(std::clamp<qsizetype>(rank - 1, 0, sorted.size() - 1));
}

}  // namespace

TimerSchedule::TimerSchedule(qint64 startNs, qint64 intervalNs)
    : intervalNs_(intervalNs), dueNs_(startNs + intervalNs) {}

qint64 TimerSchedule::fired(qint64 nowNs) {
    // The timer's dispatcher reads the clock a little before the handler does, so a firing on
    // time can read a hair early here: that is no lateness.
    const qint64 late = std::max<qint64>(0, nowNs - dueNs_);
    dueNs_ += intervalNs_;
    if (dueNs_ < nowNs) {
        dueNs_ = nowNs + intervalNs_;
    }
    return late;
}

LatenessFigures summarize(QList<qint64> latenessNs) {
    if (latenessNs.isEmpty()) {
        return {};
    }
    std::sort(latenessNs.begin(), latenessNs.end());
    const auto ms = [](qint64 ns) { return double(ns) / 1e6; };
    return {ms(percentile(latenessNs, 50)), ms(percentile(latenessNs, 99)), ms(latenessNs.last()),
            latenessNs.size()};
}

LatenessProbe::LatenessProbe(int intervalMs) {
    timer_.setTimerType(Qt::PreciseTimer);
    timer_.setInterval(intervalMs);
    QObject::connect(&timer_, &QTimer::timeout, &timer_, [this] { fired(); });
}

void LatenessProbe::start() {
    schedule_ = TimerSchedule(nowNs(), qint64{timer_.interval()} * 1'000'000);
    timer_.start();
}

void LatenessProbe::stop() {
    timer_.stop();
    if (const qint64 late = nowNs() - schedule_.dueNs(); late > 0) {
        latenessNs_ << late;
    }
}

void LatenessProbe::fired() {
    latenessNs_ << schedule_.fired(nowNs());
}
