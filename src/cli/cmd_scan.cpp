// "ports" and "scan": what the COM numbers reach, and the search window's scan without a window.
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonObject>
#include <QRegularExpression>

#include "cli/cli_common.h"
#include "device/port_scan.h"
#include "files/printable_text.h"
#include "link/system_port.h"
#include "ports/com_ports.h"
#include "ports/network_ports.h"
#include "ports/port_inventory.h"
#include "ports/port_names.h"

namespace {

// The COM numbers as the connection dialog sees them: adapters seen for the first time get their
// numbers here too, so that the command line and the dialog agree on what COMn is. What is wrong
// with the ports folder is said on standard error.
PortsState comPorts(const Output& out) {
    SystemPortInventory inventory;
    ComPorts ports(inventory);
    ports.refresh(true);
    if (!ports.problem().isEmpty()) {
        out.error(ports.problem());
    }
    return ports.state();
}

struct PortReach {
    int number = 0;
    QString path;
    QString target;  // where a link points, when the path is one
    bool exists = false;
    bool opens = false;
    QString error;
    QStringList explanation;  // of a failed open, as the windows show it
};

PortReach reach(int number) {
    PortReach r;
    r.number = number;
    r.path = portDevicePath(number);
    const QFileInfo info(r.path);
    if (info.isSymLink()) {
        r.target = info.symLinkTarget();
    }
#ifdef Q_OS_WIN
    r.exists = true;
#else
    r.exists = info.exists();
#endif
    if (!r.exists) {
        return r;
    }
    SystemSerialPort port;  // a network port's server is reached too
    try {
        openPort(port, number, QStringLiteral("9600"));
        r.opens = true;
        port.close();
    } catch (const PortError& e) {
        r.error = e.description();
        r.explanation = openFailureLines(port);
    }
    return r;
}

struct Found {
    int port;
    QString baud;
    QString id;
};

// The scan's result lines, "Found on Com Port:3 Baud:9600 ID:01" each; a device whose answer
// held two line ends is listed there twice, here once.
QList<Found> parseFound(const QString& lines) {
    static const QRegularExpression line(
        QStringLiteral("Found on Com Port:(\\d+) Baud:(\\d+) ID:(\\d\\d)"));
    QList<Found> found;
    QStringList seen;
    for (auto it = line.globalMatch(lines); it.hasNext();) {
        const auto m = it.next();
        if (!seen.contains(m.captured(0))) {
            seen << m.captured(0);
            found.append({m.captured(1).toInt(), m.captured(2), m.captured(3)});
        }
    }
    return found;
}

}  // namespace

int runPorts(const QStringList& args) {
    Output out;
    CommandLine cl(QStringLiteral("ports"),
                   QStringLiteral("Lists COM1 to COM15 with the device each one reaches on this "
                                  "machine, and whether it can be opened."),
                   QString());
    cl.addJson();
    if (const auto end = cl.parse(args, out)) {
        return *end;
    }
    out.json = cl.parser.isSet(cl.json);
    cl.requireNoArguments();
    const PortsState state = comPorts(out);
    QJsonArray all;
    for (int n = 1; n <= PortScan::kLastPort; ++n) {
        const PortReach r = reach(n);
        const QString reaches = comReach(state, n);
        if (out.json) {
            QJsonObject o{{"port", n},
                          {"path", r.path},
                          {"reaches", reaches},
                          {"exists", r.exists},
                          {"opens", r.opens}};
            if (!r.target.isEmpty()) {
                o.insert("target", r.target);
            }
            if (!r.error.isEmpty()) {
                o.insert("error", r.error);
            }
            if (!r.explanation.isEmpty()) {
                o.insert("explanation", QJsonArray::fromStringList(r.explanation));
            }
            all.append(o);
            continue;
        }
        QString what = !r.exists ? QStringLiteral("absent")
                       : r.opens ? QStringLiteral("opens")
                                 : QStringLiteral("cannot be opened: ") + r.error;
        QString path = r.target.isEmpty() ? r.path : r.path + QStringLiteral(" -> ") + r.target;
        if (!reaches.isEmpty()) {
            path = reaches;  // the device, and the adapter's description when there is one
        }
        path = printableText(path);  // link targets and descriptions are the system's text
        out.line(QStringLiteral("COM%1").arg(n).leftJustified(6) + path + QStringLiteral("  ") +
                 what);
        for (const QString& line : r.explanation) {
            out.line(QStringLiteral("      ") + line);
        }
    }
    if (out.json) {
        out.printJson(all);
    }
    return kExitDone;
}

int runScan(const QStringList& args) {
    Output out;
    CommandLine cl(
        QStringLiteral("scan"),
        QStringLiteral("Looks for devices as the search window does: first which ports can be "
                       "opened, then on each of them every baud rate and device IDs 01 to 09, "
                       "asking each for its name (\"DN\") and taking a reply with \"KRB\". "
                       "Prints one line per device found: port, baud rate, ID. Exit code 1 when "
                       "none is found."),
        QString());
    const QCommandLineOption port("port",
                                  "Only COM port N (1 to 15), only the device server at "
                                  "tcp://HOST:PORT or rfc2217://HOST:PORT, or all (default). On "
                                  "a raw TCP port only one rate is tried: the --baud given, "
                                  "else 9600.",
                                  "N|ADDRESS|all", "all");
    const QCommandLineOption baud("baud", "Only baud rate B, or all (default).", "B|all", "all");
    const QCommandLineOption allIds("all-ids", "Device IDs 01 to 99 instead of 01 to 09.");
    cl.parser.addOptions({port, baud, allIds});
    cl.addJson();
    if (const auto end = cl.parse(args, out)) {
        return *end;
    }
    out.json = cl.parser.isSet(cl.json);
    cl.requireNoArguments();

    comPorts(out);  // adapters plugged in since the dialog last looked get their numbers
    const QString portValue = cl.parser.value(port).trimmed();
    const std::optional<NetworkAddress> address = networkAddressOption(portValue);
    PortScan scan(address ? std::make_unique<SystemSerialPort>(*address)
                          : std::make_unique<SystemSerialPort>());
    if (address) {
        scan.firstPort = scan.lastPort = 1;  // the address stands in for the one port scanned
    } else if (portValue != QLatin1String("all")) {
        bool ok = false;
        const int n = cl.parser.value(port).toInt(&ok);
        if (!ok || n < 1 || n > PortScan::kLastPort) {
            throw CliError{
                kExitUsage,
                QStringLiteral("--port \"%1\": must be 1 to 15 or all").arg(cl.parser.value(port))};
        }
        scan.firstPort = scan.lastPort = n;
    }
    if (cl.parser.value(baud) != QLatin1String("all")) {
        if (!scan.bauds.contains(cl.parser.value(baud))) {
            throw CliError{kExitUsage,
                           QStringLiteral("--baud \"%1\": must be one of %2 or all")
                               .arg(cl.parser.value(baud), scan.bauds.join(QStringLiteral(", ")))};
        }
        scan.bauds = {cl.parser.value(baud)};
        scan.fixedRateBaud = cl.parser.value(baud);
    }
    if (cl.parser.isSet(allIds)) {
        scan.lastId = 99;
    }
    scan.SearchAll = true;
    scan.reset();
    ScanTick tick = ScanTick::Continue;
    while (tick == ScanTick::Continue) {
        tick = scan.tick();
        out.progress(scan.caption);
    }
    out.endProgress();
    if (tick == ScanTick::NoPortAvailable) {
        out.error(QStringLiteral("No Port Available!"));
        if (out.json) {
            out.printJson(QJsonArray());
        }
        return kExitDeviceFailure;
    }
    const QList<Found> found = parseFound(scan.SearchAllString);
    QJsonArray all;
    for (int n = scan.firstPort; n <= scan.lastPort; ++n) {
        if (((scan.FixedRatePort >> (n - 1)) & 1) != 0) {
            out.error(QStringLiteral("%1 is a raw TCP port: only %2 baud was tried, the rate its "
                                     "device server sets")
                          .arg(address ? printableText(address->text()) : portLabel(n),
                               scan.fixedRateBaud));
        }
    }
    for (const Found& f : found) {
        const QString reach = address ? address->text() : portReach(f.port);
        if (out.json) {
            all.append(QJsonObject{{"port", address ? QJsonValue(reach) : QJsonValue(f.port)},
                                   {"path", reach},
                                   {"baud", f.baud},
                                   {"id", f.id}});
        } else {
            const QString name =
                address ? printableText(reach) : QStringLiteral("COM%1").arg(f.port);
            out.line(QStringLiteral("%1 %2 %3").arg(name, f.baud, f.id));
        }
    }
    if (out.json) {
        out.printJson(all);
    }
    if (found.isEmpty()) {
        out.error(QStringLiteral("no device found"));
        return kExitDeviceFailure;
    }
    return kExitDone;
}
