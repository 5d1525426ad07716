#pragma once

#include <QString>
#include <QStringList>
#include <array>
#include <functional>
#include <optional>

#include "link/exchange.h"
#include "link/serial_port.h"
#include "monitor/status_decoders.h"

// What the main window's status panel shows, as values: the counters as the device answers them,
// the codes and bit words decoded. Nothing until first read.
struct DeviceStatus {
    std::optional<QString> encoder;              // "EX"
    std::optional<QString> position;             // "PX"
    std::optional<QString> delta;                // "DX"
    std::optional<QString> speed;                // "PS"
    std::optional<QString> latchPosition;        // "LTP"
    std::optional<QString> latchEncoder;         // "LTE"
    std::optional<LatchState> latch;             // "LTS"
    std::optional<QString> sync;                 // "SYNS"
    std::optional<int32_t> current;              // "CUR"
    std::optional<MotionStatus> motion;          // "MST"
    std::optional<QString> posGuard;             // "SLS": the last state it had a text for
    std::optional<std::array<bool, 6>> inputs;   // "DI"
    std::optional<std::array<bool, 3>> outputs;  // "DO"
    std::optional<bool> sCurve;                  // "SCV"
    std::optional<bool> enabled;                 // "EO"
    std::optional<QString> moveMode;             // "MM"
};

// The status polling cycle of the main window without a window: one device on an open line,
// asked the way the main window asks it (auto-response mode from "AR" with one re-send, a "$"
// reply asked again), "AR", "EX", "PX" and one group of slower values per tick in an eight-step
// rotation; while the device is lost, only its identity until it answers again.
class StatusCycle {
  public:
    // How a query reaches the device and what came back of it.
    using Send = std::function<ExchangeResult(const QString& command, const ExchangeOptions&)>;

    // Straight through the exchange on the line.
    StatusCycle(SerialPort& port, LineState& line, const QString& address);
    // Through a window's own exchange (its policy shows what a failure means as it happens).
    explicit StatusCycle(Send send);

    // Runs after each reply the cycle takes in: each value once it is in status, "ID" and the
    // first "VER" of a re-identification. A window shows them here, as they come, in the order
    // asked. False: the line failed meanwhile (a check box's echo lost the port); the tick ends
    // as PortFailed.
    std::function<bool(const QString& command, const QString& reply)> onReply;

    enum class Tick {
        Polled,        // the device answered the tick's queries (or some of them)
        Lost,          // a query went unanswered: the device counts as lost from now on
        Reidentified,  // the lost device answered "ID" with its identity again
        StillLost,     // it did not
        PortFailed,    // the line failed: error() says why; nothing more can be asked
    };
    Tick tick();
    // "AR", "EX", "PX" and every group once, in the rotation's order.
    Tick readAll();

    DeviceStatus status;
    bool communicating = true;  // the main window's ComStatus
    bool arMode = false;
    int pollStep = 1;  // the group the next tick adds, 1 to 8
    QString identity;  // from a re-identification
    QString version;
    // The queries the last tick sent and the replies they got, in order ("0" for none).
    QStringList asked;
    QStringList replies;
    const QString& error() const { return error_; }

    static constexpr int kDollarRepeats = 20;

  private:
    enum class Outcome { Next, EndTick, PortLost };
    Tick runGroups(int firstStep, int lastStep);
    Tick reidentify();
    Outcome query(const QString& command);
    // The reply; "0" when the device is silent (and lost from now on); nothing when the line
    // failed.
    std::optional<QString> send(const QString& command);
    bool show(const QString& command, const QString& reply);
    bool shown(const QString& command, const QString& reply);

    Send send_;
    QString error_;
    bool lostThisTick_ = false;
};

// The commands of a polling group, by PollStep 1 to 8.
QStringList pollGroup(int step);
