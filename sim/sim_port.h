#pragma once

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QSet>
#include <QStringList>
#include <atomic>
#include <deque>
#include <functional>
#include <memory>

#include "link/serial_port.h"
#include "sim/sim_bus.h"

// A character on its way to the PC: it arrives at atUs on the virtual clock.
struct SimByte {
    qint64 atUs;
    char byte;
};

// The PC's COM ports in a test: which exist, which are open, the buses behind them, one virtual
// clock for all of them, and a record of every line written.
class SimHub {
  public:
    SimBus& addPort(int number);
    SimBus* bus(int number);
    bool exists(int number) const { return buses_.contains(number) && !vanished_.contains(number); }

    // The port disappears (adapter unplugged): opening fails and every operation of a port that
    // has it open throws.
    void vanish(int number) { vanished_.insert(number); }
    void restore(int number) { vanished_.remove(number); }
    bool vanished(int number) const { return vanished_.contains(number); }
    // The port vanishes right after a line (as written, without its CR, e.g. "@05PX"; an empty
    // text stands for any line) has gone out on it for the nth time: the device hears that line,
    // its answer is lost with the port. Lets a test unplug the adapter in the middle of a run.
    void vanishAfter(int number, const QByteArray& line, int nth = 1);
    // SimPort reports each line it writes.
    void lineWritten(int number, const QByteArray& line);
    // Called with each line (as written, without its CR) once it has gone out, while its writer
    // still waits for the answer: lets a test act in the middle of an exchange.
    std::function<void(const QByteArray& line)> afterLine;

    qint64 nowUs() const { return nowUs_; }
    qint64 nowMs() const { return nowUs_ / 1000; }
    void advanceUs(qint64 us);

    // Each written line without its CR, e.g. "@05ID"; only lines of the given port when >0.
    QStringList lines(int port = 0) const;
    void clearLines() { wire_.clear(); }

    int turnaroundUs = 500;  // how long a device takes to start its answer
    bool pacing = false;     // characters take their time on the line (10 bits per baud)

    struct WireLine {
        int port;
        QByteArray line;
        int baud = 0;  // the rate the line ran at when this was written
    };
    QList<WireLine> wire_;
    QSet<int> open_;
    // Characters still on the wire when their port was closed: the next port to open that number
    // before they arrive receives them, as a real line would.
    QMap<int, std::deque<SimByte>> inFlight_;

  private:
    struct VanishTrigger {
        int port;
        QByteArray line;
        int remaining;
    };
    QMap<int, std::shared_ptr<SimBus>> buses_;
    QSet<int> vanished_;
    QList<VanishTrigger> triggers_;
    // Advanced by the thread that runs the line, read by a window's clock in its own.
    std::atomic<qint64> nowUs_ = 0;
};

// A SerialPort on a SimHub: writes reach the simulated devices at once, their replies arrive on
// the virtual clock, waits advance that clock instead of sleeping. Like the real port, an
// operation that finds its port vanished throws and leaves the port closed: the handle of an
// unplugged adapter stays dead even when the adapter comes back.
class SimPort : public SerialPort {
  public:
    explicit SimPort(SimHub& hub);
    ~SimPort() override;

    void setPortNumber(int number) override;
    void setSettings(const QString& settings) override;
    void setDtr(bool on) override;
    void setInputLength(int length) override;
    void setReceiveThreshold(int threshold) override;
    void open() override;
    void close() override;
    bool isOpen() const override { return open_; }
    void write(const QByteArray& data) override;
    QByteArray read() override;
    void delay(int ms) override;
    bool waitForInput(int ms) override;
    qint64 nowUs() const override { return hub_.nowUs(); }

    // The operations in the order they were called, e.g. "threshold 1", "open".
    QStringList calls;
    int number() const { return number_; }
    int baud() const { return baud_; }
    bool dtr() const { return dtr_; }

  private:
    void requireUsable();
    void release();
    void schedule(const SimOutput& output, qint64 startUs);
    void advanceTo(qint64 us);
    qint64 charTimeUs() const;

    SimHub& hub_;
    int number_ = 1;
    int baud_ = 9600;
    bool dtr_ = true;
    int inputLength_ = 1;
    bool open_ = false;
    QByteArray partial_;
    std::deque<SimByte> input_;
    qint64 endlessFromUs_ = -1;  // a device streams without CR from this time on
    qint64 endlessGapUs_ = 0;
};
