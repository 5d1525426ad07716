#include "cli/cli_common.h"

#include <unistd.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cmath>
#include <cstdio>

#include "device/parameter_codes.h"
#include "files/printable_text.h"
#include "link/system_port.h"
#include "ports/network_ports.h"
#include "ports/port_names.h"

namespace {

// Every byte of the text, a NUL included (JSON and escaped text hold none, but a message is
// never cut short).
void put(FILE* stream, const QString& text) {
    const QByteArray bytes = text.toLocal8Bit();
    fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stream);
    fflush(stream);
}

CliError usage(const QString& message) {
    return {kExitUsage, message};
}

int wholeNumber(const QString& text, int min, int max, const QString& what) {
    bool ok = false;
    const int n = text.trimmed().toInt(&ok);
    if (!ok || n < min || n > max) {
        throw usage(
            QStringLiteral("%1 \"%2\": must be a whole number from %3 to %4")
                .arg(what, printableText(text), QString::number(min), QString::number(max)));
    }
    return n;
}

// Qt writes the C0 controls in JSON strings as \u escapes, but DEL and the C1 controls as they
// are. Escaped too, they read the same to a JSON reader and never reach a terminal raw; outside
// strings JSON holds no such character.
QString escapeJsonControls(const QString& json) {
    QString out;
    out.reserve(json.size());
    for (const QChar c : json) {
        if (c.category() == QChar::Other_Control && c.unicode() >= 0x7f) {
            out += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
        } else {
            out += c;
        }
    }
    return out;
}

QString twoDigits(int id) {
    return QStringLiteral("%1").arg(id, 2, 10, QLatin1Char('0'));
}

}  // namespace

double decimalNumber(const QString& text, double min, double max, const QString& what) {
    bool ok = false;
    const double n = text.toDouble(&ok);
    // toDouble takes "inf", "nan" and 1e300 too: each is refused by the range.
    if (!ok || !std::isfinite(n) || n < min || n > max) {
        throw usage(QStringLiteral("%1 \"%2\": must be a number from %3 to %4")
                        .arg(what, printableText(text), QString::number(min, 'g', 10),
                             QString::number(max, 'g', 10)));
    }
    return n;
}

void Output::line(const QString& text) const {
    put(stdout, text + QLatin1Char('\n'));
}

void Output::printJson(const QJsonValue& value, bool oneLine) const {
    QJsonDocument doc =
        value.isArray() ? QJsonDocument(value.toArray()) : QJsonDocument(value.toObject());
    QString text = escapeJsonControls(
        QString::fromUtf8(doc.toJson(oneLine ? QJsonDocument::Compact : QJsonDocument::Indented)));
    if (!text.endsWith(QLatin1Char('\n'))) {
        text += QLatin1Char('\n');
    }
    put(stdout, text);
}

void Output::error(const QString& text) const {
    endProgress();
    put(stderr, QStringLiteral("nvq-can: ") + text + QLatin1Char('\n'));
}

bool Output::stderrIsTerminal() {
    return isatty(fileno(stderr)) != 0;
}

void Output::progress(const QString& text) const {
    if (!stderrIsTerminal()) {
        return;
    }
    QString shown = text.left(100);
    const int width = static_cast<int>(shown.size());
    shown = QLatin1Char('\r') + shown.leftJustified(std::max(width, progressWidth_));
    progressWidth_ = width;
    put(stderr, shown);
}

void Output::endProgress() const {
    if (progressWidth_ > 0 && stderrIsTerminal()) {
        put(stderr,
            QLatin1Char('\r') + QString(progressWidth_, QLatin1Char(' ')) + QLatin1Char('\r'));
    }
    progressWidth_ = 0;
}

CommandLine::CommandLine(const QString& name, const QString& summary, const QString& usageTail)
    : name_(name), usageTail_(usageTail) {
    parser.setApplicationDescription(summary);
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.addOption(help);
}

void CommandLine::addConnection(bool idList) {
    parser.addOption(port);
    parser.addOption(baud);
    if (idList) {
        parser.addOption(QCommandLineOption(
            "id", "Device IDs: a list such as 05,07,10-14 (each 1 to 99).", "IDS"));
    } else {
        parser.addOption(id);
    }
}

std::optional<int> CommandLine::parse(const QStringList& args, const Output& out) {
    if (!parser.parse(QStringList{QStringLiteral("nvq-can")} + args)) {
        out.error(parser.errorText() + QStringLiteral(" (try nvq-can %1 --help)").arg(name_));
        return kExitUsage;
    }
    if (parser.isSet(help)) {
        put(stdout, helpText());
        return kExitDone;
    }
    return std::nullopt;
}

QString CommandLine::helpText() const {
    QString text = parser.helpText();
    // Qt names the program and not the subcommand on its first line.
    const qsizetype end = text.indexOf(QLatin1Char('\n'));
    return QStringLiteral("Usage: nvq-can %1 [options]%2").arg(name_, usageTail_) + text.mid(end);
}

CliPort CommandLine::linePort() const {
    if (!parser.isSet(port)) {
        throw usage(QStringLiteral("--port is missing"));
    }
    const QString value = parser.value(port).trimmed();
    if (const auto address = networkAddressOption(value)) {
        return CliPort{0, address};
    }
    return CliPort{wholeNumber(value, 1, 15, QStringLiteral("--port"))};
}

std::optional<NetworkAddress> networkAddressOption(const QString& value) {
    if (!looksLikeNetworkAddress(value)) {
        return std::nullopt;
    }
    const ParsedAddress parsed = parseNetworkAddress(value);
    if (!parsed.address) {
        throw usage(QStringLiteral("--port \"%1\": %2").arg(printableText(value), parsed.problem));
    }
    return parsed.address;
}

QString CliPort::label() const {
    return address ? printableText(address->text()) : portLabel(number);
}

QJsonValue CliPort::json() const {
    return address ? QJsonValue(address->text()) : QJsonValue(number);
}

std::unique_ptr<SerialPort> CliPort::makePort() const {
    return address ? std::make_unique<SystemSerialPort>(*address)
                   : std::make_unique<SystemSerialPort>();
}

QString CommandLine::baudRate() const {
    if (!parser.isSet(baud)) {
        throw usage(QStringLiteral("--baud is missing"));
    }
    const QString b = parser.value(baud).trimmed();
    if (!serialBaudItems().contains(b)) {
        throw usage(QStringLiteral("--baud \"%1\": must be one of %2")
                        .arg(b, serialBaudItems().join(QStringLiteral(", "))));
    }
    return b;
}

void CommandLine::requireNoArguments() const {
    if (!parser.positionalArguments().isEmpty()) {
        throw CliError{
            kExitUsage,
            QStringLiteral("unexpected argument \"%1\"").arg(parser.positionalArguments().first())};
    }
}

QString CommandLine::deviceId() const {
    const QStringList ids = deviceIds();
    if (ids.size() != 1) {
        throw usage(QStringLiteral("--id takes one device ID here"));
    }
    return ids.first();
}

QStringList CommandLine::deviceIds() const {
    if (!parser.isSet(QStringLiteral("id"))) {
        throw usage(QStringLiteral("--id is missing"));
    }
    QStringList ids;
    for (const QString& item : parser.values(QStringLiteral("id")).join(',').split(',')) {
        const QStringList range = item.split('-');
        if (range.size() > 2 || item.trimmed().isEmpty()) {
            throw usage(
                QStringLiteral("--id \"%1\": not an ID or a range such as 10-14").arg(item));
        }
        const int first = wholeNumber(range.first(), 1, 99, QStringLiteral("--id"));
        const int last = range.size() == 2 ? wholeNumber(range.last(), 1, 99, "--id") : first;
        if (last < first) {
            throw usage(QStringLiteral("--id \"%1\": the range runs backwards").arg(item));
        }
        for (int n = first; n <= last; ++n) {
            if (!ids.contains(twoDigits(n))) {
                ids << twoDigits(n);
            }
        }
    }
    return ids;
}

QString portLabel(int number) {
    return QStringLiteral("COM%1 (%2)")
        .arg(QString::number(number), printableText(portReach(number)));
}

QStringList openFailureLines(const SerialPort& port) {
    return port.openFailureHelp().split(QLatin1Char('\r'), Qt::SkipEmptyParts);
}

CliError openFailure(const CliPort& where, const QString& description, const SerialPort& port) {
    return {kExitDeviceFailure,
            QStringLiteral("cannot open %1: %2").arg(where.label(), description),
            openFailureLines(port)};
}

std::unique_ptr<SerialPort> openLine(const CliPort& where, const QString& baud, LineState& line) {
    auto port = where.makePort();
    try {
        openPort(*port, where.number, baud);
    } catch (const PortError& e) {
        throw openFailure(where, e.description(), *port);
    }
    line.unsettled = true;
    return port;
}
