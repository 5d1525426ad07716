// nvq-can: the command line for scripts and production lines, on the same device layer as the
// windows.
#include <QCoreApplication>
#include <cstdio>
#include <functional>
#include <map>

#include "cli/cli_common.h"

namespace {

const char kHelp[] = R"(Usage: nvq-can COMMAND [options]

Sets up and tests NVQ-CAN controllers over RS-232/RS-485 without a window: the same
operations, messages and files as NVQ-CAN Setup. COMn is the same port as in the
program (the link comN in ~/.config/nvq-can-setup/ports/, else /dev/ttyS<N-1>).

Commands:
  ports                          every COM number and what it reaches
  scan [--port N|all] [--baud B|all] [--all-ids]
                                 look for devices (IDs 01 to 09, or 01 to 99)
  info --port N --baud B --id ID identity, version and decoded status
  read --port N --baud B --id ID -o FILE.par
                                 upload into a parameter file, as the window saves it
  write FILE.par --port N --baud B --id 05,07,10-14 [--verify] [--store] [--comm]
        [--rt on|off] [--stop-on-error]
                                 download a parameter file to each device in turn
  send --port N --baud B --id ID [--raw] CMD [CMD...]
                                 one exchange per command, one reply per line
  monitor --port N --baud B --id 05,07,10-12 [--csv FILE] [--seconds S]
                                 the status polling cycle, decoded or as CSV rows;
                                 several devices in turn
  stop --port N --baud B         ABORT to every device on the line (ID 00, no reply)
  doctor --port N --baud B [--id 05,07,10-14 | --all-ids]
                                 what is wrong on the line, with harmless queries
                                 (IDs 01 to 09 unless given); exit code 1 when something is

Every command takes --help and --json; nvq-can --version prints the version. Exit codes:
0 done, 1 a device or line failure, 2 usage or file error, 3 verify mismatch.
)";

}  // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("nvq-can"));
    const QStringList args = QCoreApplication::arguments().mid(1);
    const std::map<QString, std::function<int(const QStringList&)>> commands{
        {"ports", runPorts},     {"scan", runScan},   {"info", runInfo},
        {"read", runRead},       {"write", runWrite}, {"send", runSend},
        {"monitor", runMonitor}, {"stop", runStop},   {"doctor", runDoctor},
    };
    if (args.isEmpty() || args.first() == QLatin1String("--help") ||
        args.first() == QLatin1String("-h") || args.first() == QLatin1String("help")) {
        fputs(kHelp, args.isEmpty() ? stderr : stdout);
        return args.isEmpty() ? kExitUsage : kExitDone;
    }
    if (args.first() == QLatin1String("--version")) {
        puts("nvq-can " NVQ_VERSION);
        return kExitDone;
    }
    const auto command = commands.find(args.first());
    if (command == commands.end()) {
        fprintf(stderr, "nvq-can: unknown command \"%s\" (try nvq-can --help)\n",
                args.first().toLocal8Bit().constData());
        return kExitUsage;
    }
    try {
        return command->second(args.mid(1));
    } catch (const CliError& e) {
        const Output out;
        out.error(e.message);
        for (const QString& line : e.explanation) {
            out.error(line);
        }
        return e.code;
    }
}
