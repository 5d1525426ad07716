// Arbitrary device bytes through every reader of replies: the main window's and the parameter
// window's exchange (auto-response mode on and off), the terminal window's line and the main
// window's terminal pane. Whatever the device
// sends, the reading ends in bounded time with a result its caller allows, and a plain reply is
// read exactly: up to its CR, the "#" prefix dropped (kept in the terminal's log).
//
// Input: a mode byte, a count of port operations after which the port vanishes, then the
// device's replies separated by 0xFF (each frame is answered by the next; then as usual).
// Mode bits 0-1: reader (0 main, 1 parameter, 2 terminal, 3 pane); 2: auto-response mode;
// 3: the device streams on after its reply; 4: characters take their line time; 5: the port
// vanishes.
#include "device/main_policy.h"
#include "device/parameter_policy.h"
#include "device/terminal_line.h"
#include "fuzz_support.h"
#include "link/exchange.h"
#include "link/reply_reader.h"
#include "main_window/terminal_pane_commands.h"

namespace {

struct RecordingHost : MainLinkHost {
    void tell(const QString& message) override { told << message; }
    void showNoCommunication() override { ++noCommunication; }
    void showInvalidPort() override { ++invalidPort; }
    QStringList told;
    int noCommunication = 0, invalidPort = 0;
};

// Device 01 on a port that may vanish, answering with the input's replies; and what its first
// reply is known to read as, when it arrives whole and in time: the characters before its first
// CR, or nothing when no CR comes within the read budget.
struct Rig {
    Rig(uint8_t mode, int vanishAfter, const QList<QByteArray>& replies)
        : arMode((mode & 4) != 0),
          endless((mode & 8) != 0),
          port(hub, (mode & 32) != 0 ? vanishAfter : -1),
          first(replies.value(0)),
          known(!replies.isEmpty() && ((mode & 16) == 0 || first.size() < 2000)) {
        SimDevice& device = hub.addPort(1).addDevice(1);
        device.faults.rawReplies = replies;
        device.faults.endless = endless;
        hub.pacing = (mode & 16) != 0;
        openPort(port, 1, QStringLiteral("9600"));  // opening is no counted operation
        const qsizetype cr = first.indexOf('\r');
        if (cr >= 0 && cr < ReadBudget{}.characters) {
            line = first.left(cr);
        }
    }
    // The expected payload, "#" prefix dropped.
    QString payload() const {
        const QString text = QString::fromLatin1(*line);
        return text.startsWith(QLatin1Char('#')) ? text.mid(3) : text;
    }

    const bool arMode, endless;
    SimHub hub;
    VanishingPort port;
    ConnectionValues values{QStringLiteral("01"), QStringLiteral("9600"), 1, true, true};
    const QByteArray first;
    const bool known;
    std::optional<QByteArray> line;
};

void checkMain(Rig& rig) {
    RecordingHost host;
    MainPolicy policy(rig.port, rig.values, host);
    policy.ARMode = rig.arMode;
    const QString reply = policy.SendReceive(QStringLiteral("PX"));
    fuzzCheck(!reply.contains(QLatin1Char('\r')), "main: no CR in a reply");
    if (rig.port.vanished()) {
        fuzzCheck(reply.isEmpty() && !rig.values.ComPortStatus && !rig.values.ComStatus,
                  "main: a lost port clears both flags and yields nothing");
        fuzzCheck(host.invalidPort == 1 && toldPortLost(host.told),
                  "main: a lost port is shown and told");
        fuzzCheck(!rig.port.isOpen(), "main: a lost port is closed");
        return;
    }
    fuzzCheck(rig.values.ComPortStatus && host.told.isEmpty(), "main: the port stays usable");
    fuzzCheck(rig.values.ComStatus || (reply == "0" && host.noCommunication == 1),
              "main: silence gives 0 and the no-communication display");
    const qsizetype frames = rig.hub.lines().size();
    fuzzCheck(rig.arMode ? frames >= 1 && frames <= 2 && (rig.values.ComStatus || frames == 2)
                         : frames == 1,
              "main: one frame; a silent device gets it twice in auto-response mode");
    fuzzCheck(!rig.known || rig.arMode ||
                  (rig.line ? reply == rig.payload() && rig.values.ComStatus
                            : reply == "0" && !rig.values.ComStatus),
              "main: a plain reply is read up to its CR");
}

void checkParameter(Rig& rig) {
    QStringList told;
    LineState line;
    ParameterPolicy policy(rig.port, line, rig.values, [&told](const QString& m) { told << m; });
    const QString reply = policy.SendReceive(QStringLiteral("PX"));
    fuzzCheck(!reply.contains(QLatin1Char('\r')), "parameter: no CR in a reply");
    if (rig.port.vanished()) {
        fuzzCheck(reply.isEmpty() && rig.values.ComPortStatus && rig.values.ComStatus,
                  "parameter: a lost port yields nothing and leaves the flags");
        fuzzCheck(told.size() == 1 && told[0].startsWith(QLatin1String("Communication Error! ")),
                  "parameter: a lost port is told");
        return;
    }
    fuzzCheck(rig.hub.lines().size() == 1, "parameter: one frame");
    fuzzCheck(!reply.isEmpty(), "parameter: never an empty reply");
    fuzzCheck(rig.values.ComStatus == told.isEmpty(), "parameter: every failure is told");
    if (!rig.known) {
        return;
    }
    if (!rig.line) {
        fuzzCheck(reply == "0" && told == QStringList{"No Reply to Command: PX"},
                  "parameter: no line, no reply");
    } else if (rig.payload().isEmpty()) {
        fuzzCheck(reply == "0" && told == QStringList{"No Response!"}, "parameter: empty reply");
    } else {
        fuzzCheck(reply == rig.payload(), "parameter: a plain reply is read up to its CR");
    }
}

void checkTerminal(Rig& rig) {
    QString log;
    const auto failure = sendTerminalLine(rig.port, true, "1", "PX", [&log](const QString& piece) {
        fuzzCheck(!piece.isEmpty(), "terminal: no empty piece");
        log += piece;
    });
    fuzzCheck(failure.has_value() == rig.port.vanished(), "terminal: fails only on a lost port");
    fuzzCheck(log.startsWith(QLatin1String(">@01PX\r\n")), "terminal: logs the line sent");
    if (failure || rig.endless || !rig.known) {
        return;
    }
    const QString tail =
        rig.line ? QString::fromLatin1(*rig.line) + "\r\n"
                 : QString::fromLatin1(rig.first.left(ReadBudget{}.characters)) + "NO REPLY!\r\n";
    fuzzCheck(log == ">@01PX\r\n<" + tail, "terminal: logs the reply as it came");
}

void checkPane(Rig& rig) {
    std::optional<QString> reply;
    try {
        rig.port.write(commandFrame("01", "PX"));
        reply = readPaneReply(rig.port);
    } catch (const PortError&) {
        fuzzCheck(rig.port.vanished(), "pane: fails only on a lost port");
        return;
    }
    fuzzCheck(!rig.port.vanished(), "pane: a lost port fails");
    fuzzCheck(!rig.known || (rig.line ? reply == QString::fromLatin1(*rig.line) : !reply),
              "pane: a plain reply is shown up to its CR, prefix and all");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) {
        return 0;
    }
    Rig rig(data[0], data[1], splitReplies(inputBytes(data, size, 2)));
    const qint64 start = rig.hub.nowMs();
    void (*const readers[])(Rig&) = {checkMain, checkParameter, checkTerminal, checkPane};
    readers[data[0] & 3](rig);
    // At most two attempts, each bounded by its read budget: seconds of device time, not more.
    fuzzCheck(rig.hub.nowMs() - start < 20000, "a reply is waited for a bounded time");
    return 0;
}
