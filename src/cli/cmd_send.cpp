// "send": one exchange per command line, one reply per output line.
#include <QJsonArray>
#include <QJsonObject>

#include "cli/cli_common.h"
#include "device/terminal_line.h"
#include "files/printable_text.h"

namespace {

struct Answer {
    QString reply;
    bool answered = false;
};

// The terminal window's reading: the reply exactly as it came ("#" prefix and all), "NO REPLY!"
// behind whatever came, or "BROADCAST SENT!" for ID "00".
Answer terminalAnswer(SerialPort& port, const QString& id, const QString& command) {
    QString log;
    if (const auto failure = sendTerminalLine(port, true, id, command,
                                              [&log](const QString& piece) { log += piece; })) {
        throw CliError{kExitDeviceFailure, QStringLiteral("%1: %2").arg(command, *failure)};
    }
    // The log holds ">@05PX" CR LF, then "<" and the answer, CR LF.
    QString answer = log.mid(log.indexOf(QLatin1String("\r\n")) + 3);
    answer.chop(2);
    const bool silent = answer.endsWith(QLatin1String("NO REPLY!"));
    return {answer, !silent};
}

}  // namespace

int runSend(const QStringList& args) {
    Output out;
    CommandLine cl(QStringLiteral("send"),
                   QStringLiteral("Sends each command to the device as one exchange (\"@\", the "
                                  "ID, the command, CR) and prints one reply per line: the "
                                  "reply without its \"#\" prefix, or with --raw exactly as the "
                                  "terminal window shows it. ID 00 reaches every device and "
                                  "none answers. Exit code 1 when a command got no reply."),
                   QStringLiteral(" CMD [CMD...]"));
    cl.addConnection();
    cl.addJson();
    const QCommandLineOption raw("raw",
                                 "The terminal window's reading: the reply as it arrives, "
                                 "\"NO REPLY!\" after 100 ms of silence.");
    cl.parser.addOption(raw);
    cl.parser.addPositionalArgument("CMD", "A command, such as PX or HSPD=5000.", "CMD...");
    if (const auto end = cl.parse(args, out)) {
        return *end;
    }
    out.json = cl.parser.isSet(cl.json);
    const QStringList commands = cl.parser.positionalArguments();
    const CliPort where = cl.linePort();
    const QString baud = cl.baudRate();
    // ID 00 is the broadcast address here, as in the terminal window.
    const QString given = cl.parser.value(cl.id).trimmed();
    const bool broadcast = given == QLatin1String("00") || given == QLatin1String("0");
    const QString id = broadcast ? QStringLiteral("00") : cl.deviceId();
    if (commands.isEmpty()) {
        throw CliError{kExitUsage, QStringLiteral("no command to send")};
    }
    for (const QString& c : commands) {
        if (c.contains(QLatin1Char('\r')) || c.contains(QLatin1Char('\n'))) {
            throw CliError{kExitUsage, QStringLiteral("a command is one line")};
        }
    }

    LineState line;
    const auto port = openLine(where, baud, line);
    QJsonArray results;
    bool allAnswered = true;
    for (const QString& command : commands) {
        Answer a;
        if (cl.parser.isSet(raw) || id == QLatin1String("00")) {
            a = terminalAnswer(*port, id, command);
            a.answered = a.answered || id == QLatin1String("00");
        } else {
            const ExchangeResult r = exchange(*port, line, id, command);
            if (r.status == ExchangeResult::Status::PortFailure) {
                throw CliError{kExitDeviceFailure, QStringLiteral("%1: %2").arg(command, r.error)};
            }
            a = {r.text, r.status == ExchangeResult::Status::Reply};
        }
        allAnswered = allAnswered && a.answered;
        if (out.json) {
            results.append(
                QJsonObject{{"command", command}, {"reply", a.reply}, {"answered", a.answered}});
        } else {
            out.line(printableText(a.reply));
            if (!a.answered) {
                out.error(QStringLiteral("%1: no reply from %2").arg(command, id));
            }
        }
    }
    if (out.json) {
        out.printJson(results);
    }
    return allAnswered ? kExitDone : kExitDeviceFailure;
}

// Ten characters at 9600 baud take about 10 ms; this leaves room for an adapter's own buffer.
constexpr int kBroadcastSettleMs = 50;

int runStop(const QStringList& args) {
    Output out;
    CommandLine cl(QStringLiteral("stop"),
                   QStringLiteral("Stops every axis on the line: sends ABORT to ID 00, which "
                                  "every device hears and none answers, so nothing is waited "
                                  "for. Exit code 1 when the port cannot be used."),
                   QString());
    cl.parser.addOption(cl.port);
    cl.parser.addOption(cl.baud);
    cl.addJson();
    if (const auto end = cl.parse(args, out)) {
        return *end;
    }
    out.json = cl.parser.isSet(cl.json);
    if (!cl.parser.positionalArguments().isEmpty()) {
        throw CliError{kExitUsage, QStringLiteral("stop takes no commands")};
    }
    const CliPort where = cl.linePort();
    const QString baud = cl.baudRate();
    LineState line;
    const auto port = openLine(where, baud, line);
    const QString command = QStringLiteral("ABORT");
    try {
        sendBroadcast(*port, command);
    } catch (const PortError& e) {
        throw CliError{kExitDeviceFailure, QStringLiteral("%1: %2").arg(command, e.description())};
    }
    // No answer says when the frame has left: the port stays open a moment longer, so that an
    // adapter still sending it is not closed under it.
    port->delay(kBroadcastSettleMs);
    if (out.json) {
        out.printJson(QJsonObject{{"id", "00"}, {"command", command}, {"sent", true}});
    } else {
        out.line(QStringLiteral("ABORT sent to every device (ID 00)"));
    }
    return kExitDone;
}
