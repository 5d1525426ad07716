#pragma once

#include <QByteArray>
#include <QList>
#include <memory>
#include <vector>

#include "sim/sim_device.h"

// Bytes a device puts on the line: after delayMs they start to go out; endless means the device
// then keeps sending characters without a CR until the line is closed.
struct SimOutput {
    QByteArray bytes;
    int delayMs = 0;
    bool endless = false;
    int endlessGapMs = 0;  // time between the endless characters beyond the line's own
};

// One serial line with the devices on it. A device hears a frame only when the line runs at its
// baud rate and the frame carries its ID ("00" reaches every device, and none answers).
class SimBus {
  public:
    SimDevice& addDevice(int id, int baud = 9600);
    SimDevice* device(int id);
    const std::vector<std::unique_ptr<SimDevice>>& devices() const { return devices_; }

    // A complete line (with its CR) arrived at the given baud rate at nowMs.
    std::vector<SimOutput> receive(const QByteArray& line, int baud, qint64 nowMs);
    // Lets time pass on every device; returns their auto-response lines.
    std::vector<SimOutput> advanceTo(qint64 nowMs);

  private:
    SimOutput render(SimDevice& device, const QString& payload);

    std::vector<std::unique_ptr<SimDevice>> devices_;
    quint32 noise_ = 12345;  // deterministic noise for the garbage fault
};
