#pragma once

#include <QCommandLineParser>
#include <QJsonValue>
#include <QString>
#include <QStringList>
#include <memory>
#include <optional>

#include "link/exchange.h"
#include "link/network_address.h"
#include "link/serial_port.h"

// Where --port leads: a COM number (which may reach a network port through the ports folder),
// or a network address given outright.
struct CliPort {
    int number = 0;  // 0 with an address
    std::optional<NetworkAddress> address = std::nullopt;

    // "COM3 (/dev/ttyS2)", "COM5 (rfc2217://gw:4001)", "tcp://127.0.0.1:4001".
    QString label() const;
    // The number, or the address's text.
    QJsonValue json() const;
    // The real port it leads to, not open yet.
    std::unique_ptr<SerialPort> makePort() const;
};

// Exit codes of every subcommand.
enum ExitCode {
    kExitDone = 0,
    kExitDeviceFailure = 1,  // a device did not answer, answered unusably, or the line failed
    kExitUsage = 2,          // a bad option or argument, or a file that cannot be used
    kExitMismatch = 3,       // what was read back differs from what was written
};

// How a subcommand ends early: the message goes to standard error, then each line of its
// explanation, and the code is returned.
struct CliError {
    int code;
    QString message;
    QStringList explanation = {};
};

// Where a subcommand writes: results on standard output (text or JSON), messages and errors on
// standard error, progress on standard error only when that is a terminal.
class Output {
  public:
    bool json = false;

    void line(const QString& text) const;  // a result line on standard output
    // Indented, or on one line (one JSON document per line, for a stream of them).
    void printJson(const QJsonValue& value, bool oneLine = false) const;
    void error(const QString& text) const;  // "nvq-can: text" on standard error
    // A progress line on a terminal, overwritten by the next one; nothing when standard error is
    // not a terminal.
    void progress(const QString& text) const;
    void endProgress() const;

    static bool stderrIsTerminal();

  private:
    mutable int progressWidth_ = 0;
};

// A subcommand's command line: the parser with --help and --json, and the options most of them
// share, each added when the subcommand asks for it.
class CommandLine {
  public:
    CommandLine(const QString& name, const QString& summary, const QString& usageTail);

    QCommandLineParser parser;
    const QCommandLineOption help{{"h", "help"}, "Show this help."};
    const QCommandLineOption json{"json", "Write the result as JSON on standard output."};
    const QCommandLineOption port{
        "port",
        "COM port number, 1 to 15, or a device server: tcp://HOST:PORT (raw) or "
        "rfc2217://HOST:PORT.",
        "N|ADDRESS"};
    const QCommandLineOption baud{"baud", "Baud rate: 9600, 19200, 38400, 57600 or 115200.", "B"};
    const QCommandLineOption id{"id", "Device ID, 1 to 99.", "ID"};

    void addConnection(bool idList = false);
    void addJson() { parser.addOption(json); }

    // Parses the arguments (after the subcommand's name). nullopt: go on; otherwise the exit
    // code to end with (the help was printed, or a usage error was reported).
    std::optional<int> parse(const QStringList& args, const Output& out);

    // The connection options, checked; a CliError with kExitUsage when one is missing or bad.
    // Refuses (usage error) any argument besides the options.
    void requireNoArguments() const;
    CliPort linePort() const;
    QString baudRate() const;
    QString deviceId() const;
    QStringList deviceIds() const;  // "05,07,10-14": each once, in the order given

    QString helpText() const;

  private:
    QString name_;
    QString usageTail_;
};

// The device server's address --port names, when its value is one; a usage error when it looks
// like one ("scheme://") and is not; nullopt for anything else.
std::optional<NetworkAddress> networkAddressOption(const QString& value);

// A number option's value from min to max (a finite number); a usage error naming the range
// otherwise.
double decimalNumber(const QString& text, double min, double max, const QString& what);

// "COM3" and its device path, "COM3 (/dev/ttyS2)"; a network port's address instead of its path.
QString portLabel(int number);

// The port's explanation of its failed open (who holds it, the group to join, a lock file in the
// way), the lines the windows show under their message; none when it has nothing to add.
QStringList openFailureLines(const SerialPort& port);
// The error for a port that could not be opened: the system's description, then the
// explanation.
CliError openFailure(const CliPort& where, const QString& description, const SerialPort& port);

// Opens the real port with the windows' opening order. Throws CliError (kExitDeviceFailure)
// when it cannot be opened. The line may hold anything now: the first exchange lets it settle.
std::unique_ptr<SerialPort> openLine(const CliPort& where, const QString& baud, LineState& line);

// Every subcommand: arguments after its name, the exit code.
int runPorts(const QStringList& args);
int runScan(const QStringList& args);
int runInfo(const QStringList& args);
int runRead(const QStringList& args);
int runWrite(const QStringList& args);
int runSend(const QStringList& args);
int runStop(const QStringList& args);
int runMonitor(const QStringList& args);
int runDoctor(const QStringList& args);
