#pragma once

#include <QElapsedTimer>
#include <QString>
#include <functional>
#include <optional>

#include "device/terminal_line.h"

// Passes the pieces a job logs on in batches: the first at once, then what came since whenever
// kRefreshMs have passed on the clock, and the rest at flush(). A long reply is seen growing while
// the window's thread gets one display a batch instead of one a character.
class LogBatch {
  public:
    static constexpr qint64 kRefreshMs = 40;

    // clockMs: the line's clock in milliseconds, read in the job's thread; none means a clock of
    // the batch's own.
    explicit LogBatch(TerminalLogSink pass, std::function<qint64()> clockMs = {});

    void add(const QString& piece);
    // Passes on what is held.
    void flush();

  private:
    qint64 nowMs() const;

    TerminalLogSink pass_;
    std::function<qint64()> clockMs_;
    QElapsedTimer elapsed_;
    QString held_;
    std::optional<qint64> lastPassMs_;
};
