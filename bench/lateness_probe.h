#pragma once

#include <QList>
#include <QTimer>
#include <QtGlobal>

// When each firing of a repeating timer was due, by the rule Qt's timers follow: one interval
// after the previous due time, or, when the previous firing came later than that, one interval
// after that firing (a late timer does not fire again at once to catch up).
class TimerSchedule {
  public:
    TimerSchedule(qint64 startNs, qint64 intervalNs);
    // Notes a firing at nowNs; how late it came, 0 when on time.
    qint64 fired(qint64 nowNs);
    // When the next firing is due.
    qint64 dueNs() const { return dueNs_; }

  private:
    qint64 intervalNs_;
    qint64 dueNs_;
};

// What a run of lateness samples comes to, in milliseconds (nearest-rank percentiles).
struct LatenessFigures {
    double p50Ms = 0;
    double p99Ms = 0;
    double maxMs = 0;
    qsizetype samples = 0;
};
LatenessFigures summarize(QList<qint64> latenessNs);

// A precise repeating timer in the thread that makes it, noting how late each firing comes: the
// time that thread's event loop took to get to it, which is what a user's input waits too.
class LatenessProbe {
  public:
    explicit LatenessProbe(int intervalMs = 5);

    void start();
    // Stops the timer. A firing that is overdue by then counts with the lateness it has so far:
    // the work that held it up would otherwise go unmeasured when it ends the run.
    void stop();
    // The lateness of every firing since the first start, in nanoseconds.
    const QList<qint64>& latenessNs() const { return latenessNs_; }

  private:
    void fired();

    QTimer timer_;
    TimerSchedule schedule_{0, 0};
    QList<qint64> latenessNs_;
};
