#include "link/exchange.h"

#include <QElapsedTimer>
#include <limits>

#include "link/reply_helpers.h"
#include "link/reply_reader.h"

QByteArray commandFrame(const QString& address, const QString& command) {
    return "@" + address.toLatin1() + command.toLatin1() + "\r";
}

int commandDelayMs(const QString& command) {
    int ms = 0;
    if (command == QLatin1String("STORE") || command.startsWith(QLatin1String("DN=")) ||
        command.startsWith(QLatin1Char('Z'))) {
        ms += 200;
    }
    if (command.contains(QLatin1String("SR"))) {
        ms += 1000;
    }
    return ms;
}

namespace {

// In auto-response mode a line holding "$" is an unsolicited report; the payload follows the
// first "P" that has a character after it. Empty when there is none yet.
bool autoResponsePayload(const QString& buffer, QString& payload) {
    for (int i = 0; i + 1 < buffer.size(); ++i) {
        if (buffer[i] == QLatin1Char('P')) {
            payload = buffer.mid(i + 1);
            return true;
        }
    }
    return false;
}

// Builds one reply from characters as they come. At each CR the "#" prefix goes; in auto-response
// mode a "$" line without payload stays in the buffer and the next line is appended to it.
class ReplyAssembler {
  public:
    explicit ReplyAssembler(bool arMode) : arMode_(arMode) {}

    // True once the reply is complete.
    bool take(char c) {
        if (c != '\r') {
            buffer_ += QChar::fromLatin1(c);
            return false;
        }
        raw_ = buffer_.toLatin1();
        buffer_ = StripReplyPrefix(buffer_);
        if (!arMode_ || !buffer_.contains(QLatin1Char('$'))) {
            reply_ = buffer_;
            return true;
        }
        return autoResponsePayload(buffer_, reply_);
    }
    const QString& reply() const { return reply_; }
    // The last line as it came, before its prefix was taken off.
    const QByteArray& raw() const { return raw_; }

  private:
    bool arMode_;
    QByteArray raw_;
    QString buffer_;
    QString reply_;
};

// How long the line is given to fall quiet before a command: the exchange's own silence limit,
// within 500 empty reads (about half a second) in all. A device that streams without a pause
// never gives an empty read, so the wait also ends after a second of the clock.
constexpr ReadBudget kSettleBudget{std::numeric_limits<int>::max(), 500};
constexpr qint64 kSettleMostMs = 1000;
// What is kept of what the line brought for nobody: the line under way, and the auto-response
// lines kept for the next reply. Past these the rest is counted and dropped, so a device that
// streamed for long costs no memory.
constexpr qsizetype kMostKept = 4096;

// Splits what the line brought for nobody, as it comes, into the auto-response lines to keep
// (complete "$" lines, in auto-response mode) and the rest, which is counted and dropped.
class StaleLines {
  public:
    StaleLines(bool arMode, LineState& line) : arMode_(arMode), line_(line) {}

    void take(char c) {
        if (c != '\r') {
            if (current_.size() < kMostKept) {
                current_ += c;
            } else {
                overlong_ = true;
            }
            open_ = true;
            return;
        }
        if (arMode_ && !overlong_ && current_.contains('$') &&
            kept_.size() + current_.size() < kMostKept) {
            kept_ += current_ + '\r';
        } else {
            ++line_.staleDropped;
            line_.owed = false;  // the missing answer, most likely
        }
        current_.clear();
        overlong_ = open_ = false;
    }
    // A line has begun and not ended yet.
    bool open() const { return open_; }
    // The kept lines; a line never ended is counted as dropped.
    QByteArray finish() {
        if (open_) {
            ++line_.staleDropped;
        }
        return kept_;
    }

  private:
    bool arMode_;
    LineState& line_;
    QByteArray current_;
    QByteArray kept_;
    bool overlong_ = false;
    bool open_ = false;
};

// Takes what the line holds before a command is written: everything received so far, however
// much (reads that do not wait; on a healthy line one empty read), then, when the line is
// unsettled or a line is still arriving, what comes until the line falls quiet or the wait's
// bound is reached.
QByteArray settle(SerialPort& port, LineState& line, bool arMode) {
    StaleLines stale(arMode, line);
    QElapsedTimer clock;
    clock.start();
    for (QByteArray chunk = port.read(); !chunk.isEmpty(); chunk = port.read()) {
        for (char c : chunk) {
            stale.take(c);
        }
        if (clock.hasExpired(kSettleMostMs)) {
            break;
        }
    }
    if (line.unsettled || stale.open()) {
        ReadBudget budget = kSettleBudget;
        readCharacters(port, ReadLimits{}, budget, [&stale, &clock](char c) {
            stale.take(c);
            return clock.hasExpired(kSettleMostMs);
        });
    }
    line.unsettled = false;
    return stale.finish();
}

// The command was answered. A reply that may itself have been a missing answer, or that leaves
// one on its way, leaves the line unsettled.
void markAnswered(LineState& line, bool answerOnItsWay) {
    line.unsettled = answerOnItsWay || line.owed;
    line.owed = false;
}

void markUnanswered(LineState& line) {
    line.unsettled = true;
    line.owed = true;
    ++line.unanswered;
}

enum class Attempt {
    Answered,  // the command's reply came
    Early,     // a reply came from kept auto-response lines alone: the command's own is still due
    Silent,
};

// One attempt: write, wait, read until a usable line or until the device falls silent. The kept
// auto-response lines are read first, as if they had come after the write.
Attempt attempt(SerialPort& port, const QString& address, const QString& command, bool arMode,
                const QByteArray& kept, QString& reply, ExchangeTrace& trace) {
    port.write(commandFrame(address, command));
    ++trace.writes;
    if (const int ms = commandDelayMs(command); ms > 0) {
        port.delay(ms);
    }
    ReplyAssembler assembler(arMode);
    for (char c : kept) {
        if (assembler.take(c)) {
            reply = assembler.reply();
            trace.line = assembler.raw();
            return Attempt::Early;
        }
    }
    const qint64 sentUs = port.nowUs();
    ReadBudget budget;
    const auto onChar = [&assembler](char c) { return assembler.take(c); };
    if (readCharacters(port, ReadLimits{}, budget, onChar) != ReadEnd::Stopped) {
        return Attempt::Silent;
    }
    trace.replyUs = port.nowUs() - sentUs;
    trace.line = assembler.raw();
    reply = assembler.reply();
    return Attempt::Answered;
}

// Tells the line's watcher what the exchange saw.
ExchangeResult traced(const LineState& line, ExchangeTrace& trace, ExchangeResult result) {
    if (line.afterExchange) {
        trace.status = result.status;
        trace.reply = result.text;
        line.afterExchange(trace);
    }
    return result;
}

}  // namespace

ExchangeResult exchange(SerialPort& port, LineState& line, const QString& address,
                        const QString& command, const ExchangeOptions& options) {
    if (line.beforeExchange) {
        line.beforeExchange();
    }
    ExchangeResult result;
    ExchangeTrace trace;
    trace.address = address;
    trace.command = command;
    const quint64 droppedEarlier = line.staleDropped;
    try {
        const QByteArray kept = settle(port, line, options.arMode);
        trace.droppedBefore = line.staleDropped - droppedEarlier;
        ++line.exchanges;
        for (int i = 0; i < options.attempts; ++i) {
            const Attempt a = attempt(port, address, command, options.arMode,
                                      i == 0 ? kept : QByteArray(), result.text, trace);
            if (a != Attempt::Silent) {
                // An unanswered earlier attempt, or a reply taken from an earlier report, leaves
                // an answer on its way; a reply that may have been a missing answer leaves this
                // command's own.
                trace.answerOnItsWay = i > 0 || a == Attempt::Early || line.owed;
                markAnswered(line, i > 0 || a == Attempt::Early);
                result.status = ExchangeResult::Status::Reply;
                return traced(line, trace, result);
            }
            line.unsettled = true;
        }
        markUnanswered(line);
        result.status = ExchangeResult::Status::NoReply;
        result.text.clear();
        trace.line.clear();
        trace.replyUs = -1;
    } catch (const PortError& e) {
        line.unsettled = true;
        result.status = ExchangeResult::Status::PortFailure;
        result.text.clear();
        result.error = e.description();
    }
    return traced(line, trace, result);
}

void sendBroadcast(SerialPort& port, const QString& command) {
    port.write(commandFrame(QStringLiteral("00"), command));
    if (const int ms = commandDelayMs(command); ms > 0) {
        port.delay(ms);
    }
}

void beginOwnExchange(SerialPort& port, LineState& line) {
    if (line.beforeExchange) {
        line.beforeExchange();
    }
    try {
        settle(port, line, false);
    } catch (const PortError&) {
        line.unsettled = true;
        throw;
    }
    ++line.exchanges;
}

void endOwnExchange(LineState& line, bool answered) {
    answered ? markAnswered(line, false) : markUnanswered(line);
}
