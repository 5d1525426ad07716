#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTextStream>
#include <deque>
#include <functional>
#include <memory>
#include <vector>

#include "sim/sim_bus.h"
#include "sim/sim_link.h"

// How a COM port is served: on a pseudo-terminal, or as a serial device server on
// 127.0.0.1:tcpPort (0: any free port), raw or by Telnet with the COM port option.
struct PortServing {
    enum Kind { Pty, Tcp, Rfc2217 };
    Kind kind = Pty;
    int tcpPort = 0;
    int rawBaud = 9600;  // the fixed line rate of a raw TCP port
};

// Serves simulated devices on pseudo-terminal or network COM ports in real time: assembles the
// program's lines, lets the devices answer after their turnaround, optionally paces every character
// at the line's rate, and logs the traffic.
class SimServer {
  public:
    struct Options {
        QString portsDir;
        bool pace = false;
        int turnaroundMs = 2;
        QString logPath;  // empty: no log; "-": standard error
        // Non-empty: each port is offered in this adapters folder (nvq-can-sim-N) instead of
        // being linked as comN in portsDir.
        QString offerDir;
    };

    explicit SimServer(Options options);
    ~SimServer();

    // A COM port with its bus; devices are added to the returned bus.
    SimBus& addPort(int number, const PortServing& serving = {});
    // Where the port's link is (or will be) made.
    QString linkPath(int number) const;
    // Where the program finds the port once started: its link, or e.g. tcp://127.0.0.1:4001.
    QString address(int number);
    // Creates every pseudo-terminal and link and opens every listener; throws
    // std::runtime_error.
    void start();
    // Runs until quit(), a "quit" control line or stop() returns true; reads control lines
    // from standard input.
    int run(const std::function<bool()>& stop = [] { return false; });
    void quit() { running_ = false; }

    // One control line (see --help); returns a reply for the operator.
    QString control(const QString& line);

  private:
    struct Port;
    void serve(Port& port, qint64 nowUs);
    void receive(Port& port, const QByteArray& bytes, qint64 nowUs);
    void flush(Port& port, qint64 nowUs);
    void enqueue(Port& port, const SimOutput& output, qint64 startUs);
    bool vanishDue(Port& port, const QByteArray& line);
    void setPresent(Port& port, bool present);
    QString vanishAfter(const QStringList& words);
    QString late(SimDevice& device, const QStringList& words);
    QString collide(const QStringList& words);
    QString noise(const QStringList& words);
    QString netControl(const QStringList& words);
    qint64 charTimeUs(const Port& port) const;
    Port* port(int number);
    SimDevice* device(const QString& id);
    SimBus* busOf(const QString& id, int& number);  // the bus with that device, and its ID
    void log(const Port& port, const char* direction, const QByteArray& bytes);
    void logNote(int number, const QString& note);
    qint64 nowUs() const;

    Options options_;
    std::vector<std::unique_ptr<Port>> ports_;
    std::unique_ptr<QTextStream> log_;
    std::unique_ptr<class QFile> logFile_;
    bool running_ = true;
    qint64 startUs_;
};
