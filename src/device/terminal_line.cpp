#include "device/terminal_line.h"

#include "link/exchange.h"
#include "link/number_form.h"
#include "link/reply_reader.h"

namespace {

const QString kLineEnd = QStringLiteral("\r\n");

// The reply as it comes, CR LF at its CR; "NO REPLY!" behind whatever came when the device
// falls silent (or keeps the line busy past the read budget).
void logReply(SerialPort& port, const TerminalLogSink& log) {
    ReadBudget budget;
    const auto onChar = [&log](char c) {
        if (c == '\r') {
            log(kLineEnd);
            return true;
        }
        log(QString(QChar::fromLatin1(c)));
        return false;
    };
    if (readCharacters(port, ReadLimits{100, 1}, budget, onChar) != ReadEnd::Stopped) {
        log(QStringLiteral("NO REPLY!") + kLineEnd);
    }
}

}  // namespace

std::optional<QString> terminalDeviceId(const QString& idText) {
    const auto value = readWholeNumber(idText, -32768, 32767);
    if (!value) {
        return std::nullopt;
    }
    const QString id = QString::number(*value);
    return id.size() == 1 ? QLatin1Char('0') + id : id;
}

std::optional<QString> sendTerminalLine(SerialPort& port, bool portOpen, const QString& idText,
                                        const QString& command, const TerminalLogSink& log) {
    const auto id = terminalDeviceId(idText);
    if (!id) {
        return QStringLiteral("Device ID \"%1\" is not a whole number from -32768 to 32767")
            .arg(idText);
    }
    // The log shows the line as it goes out on the wire (the frame without its CR).
    const QByteArray frame = commandFrame(*id, command);
    log(QLatin1Char('>') + QString::fromLatin1(frame.chopped(1)) + kLineEnd);
    if (!portOpen) {
        log(QStringLiteral("<Com Port Error") + kLineEnd);
        return std::nullopt;
    }
    bool answerBegun = false;
    try {
        port.write(frame);
        if (const int ms = commandDelayMs(command); ms > 0) {
            port.delay(ms);
        }
        log(QStringLiteral("<"));
        answerBegun = true;
        if (*id == QLatin1String("00")) {
            log(QStringLiteral("BROADCAST SENT!") + kLineEnd);
            return std::nullopt;
        }
        logReply(port, log);
    } catch (const PortError& e) {
        // The answer line keeps what came, and ends there: the next line sent starts a line of
        // its own in the log and in a saved file.
        if (answerBegun) {
            log(kLineEnd);
        }
        return e.description();
    }
    return std::nullopt;
}
