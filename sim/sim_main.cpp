// nvq-can-sim: simulated NVQ-CAN devices on pseudo-terminal or network COM ports.
#include <QCoreApplication>
#include <QStringList>
#include <algorithm>
#include <csignal>
#include <cstdio>

#include "ports/port_names.h"
#include "sim/sim_server.h"

namespace {

const char kHelp[] = R"(Usage: nvq-can-sim [options]

Simulated NVQ-CAN devices on pseudo-terminal COM ports. Each --port creates the link
comN in the ports folder, pointing at a new pseudo-terminal, so that NVQ-CAN Setup
opens it as COMN. Devices answer only when the program's baud rate matches theirs.
A port may instead be served on the network, as a serial device server would
(--tcp, --rfc2217).

Options:
  --port N             create COM port N (1 to 15); the --device options that follow
                       put devices on it (default: port 1); several ports may be given,
                       each with its own devices and baud rates
  --device ID[:BAUD]   a device with ID 1..99 at BAUD (9600, 19200, 38400, 57600,
                       115200; default 9600); default: one device 01 at 9600. Devices
                       at several rates may share a port (--device 3:19200 --device 1):
                       each hears and answers only frames sent at its own rate. The
                       same ID twice on a port is two devices answering at once (see
                       collide)
  --tcp PORT           serve the devices of the current port (port 1 when no --port
                       came before) on 127.0.0.1:PORT as a raw byte stream instead of
                       a pseudo-terminal (no comN link). The line's rate is fixed, as
                       on a gateway: that of the port's first device. PORT 0 takes
                       any free port; the start-up line names the one taken, e.g.
                       "COM3: tcp://127.0.0.1:4001, devices 01@9600"
  --rfc2217 PORT       the same by Telnet with the COM port option (RFC 2217): the
                       client sets the baud rate (50 to 230400; 9600 until set, again
                       for each new client), data bits, parity, stop bits, DTR and RTS
                       and purges. Devices hear the line only at their own rate with
                       8 data bits and no parity; the server agrees to binary,
                       suppress-go-ahead and the COM port option and refuses other
                       options. Both listen on 127.0.0.1 only and serve one client at
                       a time: a second connection is accepted and closed at once;
                       what waits for a client is dropped when it goes, and more than
                       64 KiB for a client that does not read is dropped (logged)
  --ports-dir DIR      folder for the comN links
                       (default: $XDG_CONFIG_HOME/nvq-can-setup/ports)
  --offer              instead of linking comN, offer each port as an adapter: a link
                       nvq-can-sim-N in the adapters folder, to which NVQ-CAN Setup gives
                       a COM number itself, like to a USB adapter plugged in
  --adapters-dir DIR   the adapters folder for --offer
                       (default: $XDG_CONFIG_HOME/nvq-can-setup/adapters)
  --pace               characters take their real time on the line (10 bits each)
  --turnaround MS      time a device takes before it answers (default 2)
  --log FILE           traffic log, one line per burst ("-" for standard error)
  --help               this text
  --version            the version

Control lines on standard input (answered "ok" or "error: ..."). ID names the first
device with that ID on any port; N:ID the one on COM N:
  silent ID on|off     the device stops/starts answering
  delay ID MS          the device answers MS milliseconds late
  late ID CMD MS [N]   the next N replies (default 1) to exactly the command CMD
                       (e.g. PX, as sent after the ID) come MS milliseconds late
  nocr ID on|off       replies without their closing CR
  endless ID on|off    after a reply, characters without end and without CR
  trickle ID MS        ... one every MS milliseconds
  garbage ID on|off    noise instead of replies
  dollar ID N          the next N replies are auto-response "$" lines
  reply ID HEX         the next reply is exactly these bytes, given in hex (CR
                       included or not): reply 1 4b52ff0d sends K R 0xFF CR
  prefix ID on|off     replies carry "#" and the device ID
  version ID TEXT      the firmware version the device reports
  power ID off|on      switch the device off, or on again (stored settings apply)
  input ID N on|off    input DIN (1 to 6) of the device
  latch ID on|off      the latch input (captures while the latch is armed)
  limit ID +|- POS     the + (or -) limit switch is on from motor step POS outwards
                       (default +100000 and -100000)
  home ID POS          centre of the home switch, 101 steps wide (default 0)
  index ID N           an encoder index mark every N steps (default 1000)
  collide ID on|off    a second device with the device's ID and baud rate joins its
                       port (on) or leaves it (off): both answer each frame at once, and
                       the program gets one line of mixed, damaged characters and a CR
  noise RATE           on every port, a fraction RATE (0 to 1, e.g. 0.02) of the
                       characters the devices send get one bit flipped (CR included)
  vanish N | restore N the COM port N disappears (adapter unplugged) / comes back;
                       on a network port the client is disconnected and connections
                       are refused until restore
  vanish-after N LINE [COUNT]
                       COM port N disappears the moment the line LINE (as sent, without
                       its CR, e.g. @05PX) arrives for the COUNTth time (default 1);
                       the device hears it, its answer is lost with the port
  telnet-silent N on|off
                       the network port N accepts connections but answers nothing:
                       no Telnet negotiation, no data (what comes is read and dropped)
  refuse-baud N on|off the RFC 2217 port N refuses new baud rates: it answers with
                       the rate still in force
  quit
)";

volatile std::sig_atomic_t stopRequested = 0;
void onSignal(int) {
    stopRequested = 1;
}

bool parseDevice(const QString& text, int& id, int& baud) {
    const QStringList parts = text.split(QLatin1Char(':'));
    bool ok = false;
    id = parts[0].toInt(&ok);
    if (!ok || id < 1 || id > 99 || parts.size() > 2) {
        return false;
    }
    baud = 9600;
    if (parts.size() == 2) {
        baud = parts[1].toInt(&ok);
        return ok && baudCode(baud) != 0;
    }
    return true;
}

int usageError(const QString& message) {
    fprintf(stderr, "nvq-can-sim: %s\nTry --help.\n", message.toLocal8Bit().constData());
    return 2;
}

}  // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments().mid(1);

    SimServer::Options options;
    options.portsDir = portsFolder();
    struct PortSpec {
        int number;
        QList<QPair<int, int>> devices;
        PortServing serving;
    };
    QList<PortSpec> ports;
    bool offer = false;
    QString adaptersDir = adaptersFolder();
    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        const bool hasValue = i + 1 < args.size();
        if (a == QLatin1String("--help") || a == QLatin1String("-h")) {
            fputs(kHelp, stdout);
            return 0;
        } else if (a == QLatin1String("--version")) {
            puts("nvq-can-sim " NVQ_VERSION);
            return 0;
        } else if (a == QLatin1String("--pace")) {
            options.pace = true;
        } else if (a == QLatin1String("--port") && hasValue) {
            bool ok = false;
            const int n = args[++i].toInt(&ok);
            if (!ok || n < 1 || n > 15) {
                return usageError(QStringLiteral("bad port number %1").arg(args[i]));
            }
            // Naming a port again goes back to it, so its devices may be given in several groups.
            const auto same = [n](const PortSpec& p) { return p.number == n; };
            PortSpec group{n, {}, {}};
            if (const auto it = std::find_if(ports.begin(), ports.end(), same); it != ports.end()) {
                group = *it;
                ports.erase(it);
            }
            ports.append(group);
        } else if (a == QLatin1String("--device") && hasValue) {
            int id = 0;
            int baud = 0;
            if (!parseDevice(args[++i], id, baud)) {
                return usageError(QStringLiteral("bad device %1").arg(args[i]));
            }
            if (ports.isEmpty()) {
                ports.append(PortSpec{1, {}, {}});
            }
            ports.last().devices.append({id, baud});
        } else if ((a == QLatin1String("--tcp") || a == QLatin1String("--rfc2217")) && hasValue) {
            bool ok = false;
            const int tcpPort = args[++i].toInt(&ok);
            if (!ok || tcpPort < 0 || tcpPort > 65535) {
                return usageError(QStringLiteral("bad TCP port %1").arg(args[i]));
            }
            if (ports.isEmpty()) {
                ports.append(PortSpec{1, {}, {}});
            }
            ports.last().serving.kind =
                a == QLatin1String("--tcp") ? PortServing::Tcp : PortServing::Rfc2217;
            ports.last().serving.tcpPort = tcpPort;
        } else if (a == QLatin1String("--ports-dir") && hasValue) {
            options.portsDir = args[++i];
        } else if (a == QLatin1String("--offer")) {
            offer = true;
        } else if (a == QLatin1String("--adapters-dir") && hasValue) {
            adaptersDir = args[++i];
        } else if (a == QLatin1String("--turnaround") && hasValue) {
            options.turnaroundMs = args[++i].toInt();
        } else if (a == QLatin1String("--log") && hasValue) {
            options.logPath = args[++i];
        } else {
            return usageError(QStringLiteral("unknown option %1").arg(a));
        }
    }
    if (ports.isEmpty()) {
        ports.append(PortSpec{1, {}, {}});
    }

    if (offer) {
        options.offerDir = adaptersDir;
    }
    SimServer sim(options);
    for (PortSpec& p : ports) {
        if (p.devices.isEmpty()) {
            p.devices.append({1, 9600});
        }
        // A gateway's line runs at the rate set on it: that of the port's first device.
        p.serving.rawBaud = p.devices.first().second;
        SimBus& bus = sim.addPort(p.number, p.serving);
        for (const auto& [id, baud] : p.devices) {
            bus.addDevice(id, baud);
        }
    }
    try {
        sim.start();
    } catch (const std::exception& e) {
        fprintf(stderr, "nvq-can-sim: %s\n", e.what());
        return 1;
    }
    for (const PortSpec& p : ports) {
        QStringList devices;
        for (const auto& [id, baud] : p.devices) {
            devices << QStringLiteral("%1@%2").arg(id, 2, 10, QLatin1Char('0')).arg(baud);
        }
        const bool network = p.serving.kind != PortServing::Pty;
        printf("%s%d: %s, devices %s\n", offer && !network ? "Line " : "COM", p.number,
               sim.address(p.number).toLocal8Bit().constData(),
               devices.join(QLatin1Char(' ')).toLocal8Bit().constData());
    }
    fflush(stdout);

    std::signal(SIGINT, onSignal);
    std::signal(SIGTERM, onSignal);
    std::signal(SIGHUP, onSignal);
    return sim.run([] { return stopRequested != 0; });
}
