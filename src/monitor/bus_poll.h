#pragma once

#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

#include "link/exchange.h"
#include "link/serial_port.h"
#include "monitor/line_quality.h"
#include "monitor/status_cycle.h"

// One device of a bus as its row shows it.
struct BusDevice {
    explicit BusDevice(const QString& id, SerialPort& port, LineState& line)
        : id(id), cycle(port, line, id) {}

    QString id;  // "05"
    // From "ID", "VER" and "DN" once it has answered them; until then it is asked them first.
    bool identified = false;
    QString identity;
    QString version;
    QString name;
    StatusCycle cycle;  // its own polling cycle
};

// Every device of one line polled in turn, each by its own status cycle, and every exchange
// tallied per device. Runs wherever the line is (the bus window's engine, the command line).
class BusPoll {
  public:
    // Hooks the tally to the line for as long as it lives.
    BusPoll(SerialPort& port, LineState& line, int baud);
    ~BusPoll();
    BusPoll(const BusPoll&) = delete;
    BusPoll& operator=(const BusPoll&) = delete;

    // The IDs to poll, in order; a device already polled keeps its state and its tally.
    void setIds(const QStringList& ids);
    QStringList ids() const;

    struct Step {
        QString id;
        enum class What {
            Identified,     // "ID", "VER", "DN" answered
            NotIdentified,  // it did not answer them (or answered as another device)
            Ticked,         // its status cycle ran a tick
        } what = What::Ticked;
        StatusCycle::Tick tick = StatusCycle::Tick::Polled;  // when Ticked
        bool portFailed = false;                             // the line failed: error() says why
    };
    // The next device in turn: its identification until it has answered it, then its status
    // cycle's tick (which asks only "ID" while the device is lost). Nothing when the list is
    // empty.
    std::optional<Step> next();
    // Every device once, from the first; false when the line failed.
    bool pass();

    const BusDevice* device(const QString& id) const;
    const std::vector<std::unique_ptr<BusDevice>>& devices() const { return devices_; }
    LineTally& tally() { return tally_; }
    const QString& error() const { return error_; }

  private:
    Step identify(BusDevice& device);

    SerialPort& port_;
    LineState& line_;
    LineTally tally_;
    std::vector<std::unique_ptr<BusDevice>> devices_;
    size_t next_ = 0;
    QString error_;
};

// A row's line state: "OK" while the device's latest command was answered, "no reply since
// 14:03:12" (local time of its latest reply, or of the first command it left unanswered when it
// never answered) otherwise; "" before it was asked anything.
QString busLineStateText(const LineQuality& quality);
