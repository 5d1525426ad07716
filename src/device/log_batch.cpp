#include "device/log_batch.h"

#include <utility>

LogBatch::LogBatch(TerminalLogSink pass, std::function<qint64()> clockMs)
    : pass_(std::move(pass)), clockMs_(std::move(clockMs)) {
    elapsed_.start();
}

void LogBatch::add(const QString& piece) {
    held_ += piece;
    const qint64 now = nowMs();
    if (lastPassMs_ && now - *lastPassMs_ < kRefreshMs) {
        return;
    }
    lastPassMs_ = now;
    flush();
}

void LogBatch::flush() {
    if (!held_.isEmpty()) {
        pass_(std::exchange(held_, QString()));
    }
}

qint64 LogBatch::nowMs() const {
    return clockMs_ ? clockMs_() : elapsed_.elapsed();
}
