#include "link/exchange.h"

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
        buffer_ = StripReplyPrefix(buffer_);
        if (!arMode_ || !buffer_.contains(QLatin1Char('$'))) {
            reply_ = buffer_;
            return true;
        }
        return autoResponsePayload(buffer_, reply_);
    }
    const QString& reply() const { return reply_; }

  private:
    bool arMode_;
    QString buffer_;
    QString reply_;
};

// How long the line is given to fall quiet before a command: the exchange's own silence limit,
// within half a second or 512 characters in all, so that a babbling device delays each command
// by a bounded time only.
constexpr ReadBudget kSettleBudget{512, 500};

// Splits what the line brought for nobody into the auto-response lines to keep (complete "$"
// lines, in auto-response mode) and the rest, which is counted and dropped.
QByteArray keepAutoResponses(const QByteArray& got, bool arMode, LineState& line) {
    QByteArray kept;
    qsizetype start = 0;
    for (qsizetype cr = got.indexOf('\r'); cr >= 0; cr = got.indexOf('\r', start)) {
        const QByteArray one = got.mid(start, cr + 1 - start);
        if (arMode && one.contains('$')) {
            kept += one;
        } else {
            ++line.staleDropped;
            line.owed = false;  // the missing answer, most likely
        }
        start = cr + 1;
    }
    if (start < got.size()) {
        ++line.staleDropped;  // a line that never got its CR
    }
    return kept;
}

// Takes what the line holds before a command is written: what is pending now (one read that does
// not wait, on a healthy line) and, when the line is unsettled or a line is still arriving, what
// comes until the line falls quiet.
QByteArray settle(SerialPort& port, LineState& line, bool arMode) {
    ReadBudget budget = kSettleBudget;
    QByteArray got;
    for (QByteArray chunk = port.read(); !chunk.isEmpty(); chunk = port.read()) {
        got += chunk;
        budget.characters -= static_cast<int>(chunk.size());
        if (budget.characters <= 0) {
            break;
        }
    }
    if (line.unsettled || (!got.isEmpty() && !got.endsWith('\r'))) {
        readCharacters(port, ReadLimits{}, budget, [&got](char c) {
            got += c;
            return false;
        });
    }
    line.unsettled = false;
    return keepAutoResponses(got, arMode, line);
}

enum class Attempt {
    Answered,  // the command's reply came
    Early,     // a reply came from kept auto-response lines alone: the command's own is still due
    Silent,
};

// One attempt: write, wait, read until a usable line or until the device falls silent. The kept
// auto-response lines are read first, as if they had come after the write.
Attempt attempt(SerialPort& port, const QString& address, const QString& command, bool arMode,
                const QByteArray& kept, QString& reply) {
    port.write(commandFrame(address, command));
    if (const int ms = commandDelayMs(command); ms > 0) {
        port.delay(ms);
    }
    ReplyAssembler assembler(arMode);
    for (char c : kept) {
        if (assembler.take(c)) {
            reply = assembler.reply();
            return Attempt::Early;
        }
    }
    ReadBudget budget;
    const auto onChar = [&assembler](char c) { return assembler.take(c); };
    if (readCharacters(port, ReadLimits{}, budget, onChar) != ReadEnd::Stopped) {
        return Attempt::Silent;
    }
    reply = assembler.reply();
    return Attempt::Answered;
}

}  // namespace

ExchangeResult exchange(SerialPort& port, LineState& line, const QString& address,
                        const QString& command, const ExchangeOptions& options) {
    ExchangeResult result;
    try {
        const QByteArray kept = settle(port, line, options.arMode);
        ++line.exchanges;
        for (int i = 0; i < options.attempts; ++i) {
            const Attempt a = attempt(port, address, command, options.arMode,
                                      i == 0 ? kept : QByteArray(), result.text);
            if (a != Attempt::Silent) {
                // An unanswered earlier attempt, or a reply taken from an earlier report, leaves
                // an answer on its way; a reply that may have been a missing answer leaves this
                // command's own.
                line.unsettled = i > 0 || a == Attempt::Early || line.owed;
                line.owed = false;
                result.status = ExchangeResult::Status::Reply;
                return result;
            }
            line.unsettled = true;
        }
        line.owed = true;
        ++line.unanswered;
        result.status = ExchangeResult::Status::NoReply;
        result.text.clear();
    } catch (const PortError& e) {
        line.unsettled = true;
        result.status = ExchangeResult::Status::PortFailure;
        result.text.clear();
        result.error = e.description();
    }
    return result;
}
