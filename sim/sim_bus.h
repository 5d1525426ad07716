#pragma once

#include <QByteArray>
#include <QList>
#include <memory>
#include <random>
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
// baud rate and the frame carries its ID ("00" reaches every device, and none answers). Devices
// at several baud rates may share the line. Two devices with one ID both answer its frames, and
// the line then carries their collision (see receive()); the line may also be noisy.
class SimBus {
  public:
    SimDevice& addDevice(int id, int baud = 9600);
    SimDevice* device(int id);  // the first with that ID
    // On: a twin of the first device with this ID joins the line (same ID, same baud rate, a copy
    // of its parameters), unless it already has a second one. Off: every device with this ID but
    // the first leaves. False when no device has this ID. Only replies collide: the twins'
    // auto-response lines go out one after the other.
    bool collide(int id, bool on);
    // The fraction (0 to 1) of the characters the devices put on the line that get one bit
    // flipped: replies and auto-response lines, CR included.
    void setNoise(double rate);
    double noise() const { return noiseRate_; }
    const std::vector<std::unique_ptr<SimDevice>>& devices() const { return devices_; }

    // A complete line (with its CR) arrived at the given baud rate at nowMs.
    std::vector<SimOutput> receive(const QByteArray& line, int baud, qint64 nowMs);
    // Lets time pass on every device; returns their auto-response lines.
    std::vector<SimOutput> advanceTo(qint64 nowMs);

  private:
    SimOutput render(SimDevice& device, const QString& payload);
    void addNoise(QByteArray& bytes);

    std::vector<std::unique_ptr<SimDevice>> devices_;
    quint32 noise_ = 12345;  // deterministic noise for the garbage fault
    double noiseRate_ = 0;
    std::mt19937 lineNoise_{20240607};  // deterministic, so that tests repeat
};
