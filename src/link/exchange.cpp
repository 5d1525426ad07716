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

// One attempt: write, wait, read until a usable line or until the device falls silent.
bool attempt(SerialPort& port, const QString& address, const QString& command, bool arMode,
             QString& reply) {
    port.write(commandFrame(address, command));
    if (const int ms = commandDelayMs(command); ms > 0) {
        port.delay(ms);
    }
    QString buffer;
    ReadBudget budget;
    const auto onChar = [&buffer](char c) {
        if (c == '\r') {
            return true;
        }
        buffer += QChar::fromLatin1(c);
        return false;
    };
    for (;;) {
        if (readCharacters(port, ReadLimits{}, budget, onChar) != ReadEnd::Stopped) {
            return false;
        }
        buffer = StripReplyPrefix(buffer);
        if (!arMode || !buffer.contains(QLatin1Char('$'))) {
            reply = buffer;
            return true;
        }
        if (autoResponsePayload(buffer, reply)) {
            return true;
        }
        // No payload yet: keep the buffer and append the next line to it.
    }
}

}  // namespace

ExchangeResult exchange(SerialPort& port, const QString& address, const QString& command,
                        const ExchangeOptions& options) {
    ExchangeResult result;
    try {
        for (int i = 0; i < options.attempts; ++i) {
            if (attempt(port, address, command, options.arMode, result.text)) {
                result.status = ExchangeResult::Status::Reply;
                return result;
            }
        }
        result.status = ExchangeResult::Status::NoReply;
        result.text.clear();
    } catch (const PortError& e) {
        result.status = ExchangeResult::Status::PortFailure;
        result.text.clear();
        result.error = e.description();
    }
    return result;
}
