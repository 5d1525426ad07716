#include "monitor/line_quality.h"

#include <QDateTime>
#include <QSet>
#include <algorithm>

#include "link/number_form.h"

void ReplyTimes::add(qint64 us) {
    max_ = std::max(max_, us);
    if (times_.size() < size_t(kKept)) {
        times_.push_back(us);
        return;
    }
    times_[next_] = us;
    next_ = (next_ + 1) % times_.size();
}

qint64 ReplyTimes::percentileUs(double fraction) const {
    if (times_.empty()) {
        return -1;
    }
    std::vector<qint64> sorted = times_;
    const auto rank =
        static_cast<size_t>(std::clamp(fraction, 0.0, 1.0) * double(sorted.size() - 1) + 0.5);
    std::nth_element(sorted.begin(), sorted.begin() + static_cast<std::ptrdiff_t>(rank),
                     sorted.end());
    return sorted[rank];
}

qint64 characterTimeUs(int characters, int baud) {
    return baud > 0 ? qint64(characters) * 10 * 1000000 / baud : 0;
}

namespace {

// Commands whose reply is a whole number: everything the status cycle polls.
bool answersANumber(const QString& command) {
    static const QSet<QString> numeric{"AR",  "EX",  "PX",  "DX", "PS", "LTP", "LTE", "LTS", "SYNS",
                                       "CUR", "MST", "SLS", "DI", "DO", "SCV", "EO",  "MM"};
    return numeric.contains(command);
}

bool printable(const QByteArray& text) {
    return std::all_of(text.begin(), text.end(), [](char c) {
        const auto u = static_cast<unsigned char>(c);
        return u >= 0x20 && u < 0x7f;
    });
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

}  // namespace

ReplyFault replyFault(const ExchangeTrace& trace) {
    const QByteArray& line = trace.line;
    if (!printable(line)) {
        return ReplyFault::Garbled;
    }
    if (line.startsWith('#')) {
        if (line.size() < 3 || !isDigit(line[1]) || !isDigit(line[2])) {
            return ReplyFault::Garbled;
        }
        if (line.mid(1, 2) != trace.address.toLatin1()) {
            return ReplyFault::ForeignPrefix;
        }
    }
    // A "$" reply is asked again and "?" names an unknown command: neither is a fault here.
    const QString& reply = trace.reply;
    if (answersANumber(trace.command) && !reply.startsWith(QLatin1Char('$')) &&
        reply != QLatin1String("?") && !readInt32(reply)) {
        return ReplyFault::Garbled;
    }
    return ReplyFault::None;
}

LineTally::LineTally(int baud, std::function<qint64()> clockMs)
    : baud_(baud),
      clockMs_(clockMs ? std::move(clockMs) : [] { return QDateTime::currentMSecsSinceEpoch(); }) {}

void LineTally::take(const ExchangeTrace& trace) {
    if (trace.droppedBefore > 0 && !previous_.isEmpty()) {
        LineQuality& before = devices_[previous_];
        if (previousAnsweredOnly_) {
            before.garbled += trace.droppedBefore;
            before.doubled += trace.droppedBefore;
        } else {
            before.late += trace.droppedBefore;
        }
    }
    if (trace.status == ExchangeResult::Status::PortFailure && trace.writes == 0) {
        previous_.clear();
        return;  // nothing reached the device
    }
    LineQuality& q = devices_[trace.address];
    ++q.exchanges;
    previous_ = trace.address;
    previousAnsweredOnly_ = trace.status == ExchangeResult::Status::Reply && !trace.answerOnItsWay;
    if (trace.status == ExchangeResult::Status::NoReply) {
        ++q.unanswered;
        if (q.silentSinceMs < 0) {
            q.silentSinceMs = clockMs_();
        }
        return;
    }
    if (trace.status != ExchangeResult::Status::Reply) {
        return;
    }
    ++q.answered;
    q.lastAnswerMs = clockMs_();
    q.silentSinceMs = -1;
    if (trace.reply.startsWith(QLatin1Char('$'))) {
        ++q.dollarRepeats;
    }
    switch (replyFault(trace)) {
        case ReplyFault::Garbled:
            ++q.garbled;
            break;
        case ReplyFault::ForeignPrefix:
            ++q.foreignPrefix;
            break;
        case ReplyFault::None:
            break;
    }
    if (trace.replyUs >= 0) {
        // The port takes the command before the line has carried it: its end on the line comes
        // the frame's own time later.
        const int frame = int(commandFrame(trace.address, trace.command).size());
        const qint64 fromEnd = std::max<qint64>(0, trace.replyUs - characterTimeUs(frame, baud_));
        q.replyTimes.add(fromEnd);
        const qint64 own = characterTimeUs(int(trace.line.size()) + 1, baud_);
        q.answerTimes.add(std::max<qint64>(0, fromEnd - own));
    }
}

const LineQuality& LineTally::of(const QString& id) const {
    static const LineQuality none;
    const auto it = devices_.find(id);
    return it == devices_.end() ? none : *it;
}

void LineTally::clear() {
    devices_.clear();
    previous_.clear();
    previousAnsweredOnly_ = false;
}
