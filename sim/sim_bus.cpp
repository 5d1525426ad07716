#include "sim/sim_bus.h"

#include <cctype>

namespace {

// "@" two digits and the command; false when the line is not a frame.
bool parseFrame(const QByteArray& line, int& id, QString& command) {
    QByteArray body = line;
    if (body.endsWith('\r')) {
        body.chop(1);
    }
    if (body.size() < 3 || body[0] != '@' || !std::isdigit(static_cast<unsigned char>(body[1])) ||
        !std::isdigit(static_cast<unsigned char>(body[2]))) {
        return false;
    }
    id = (body[1] - '0') * 10 + (body[2] - '0');
    command = QString::fromLatin1(body.mid(3));
    return true;
}

}  // namespace

SimDevice& SimBus::addDevice(int id, int baud) {
    devices_.push_back(std::make_unique<SimDevice>(id, baud));
    return *devices_.back();
}

SimDevice* SimBus::device(int id) {
    for (auto& d : devices_) {
        if (d->id() == id) {
            return d.get();
        }
    }
    return nullptr;
}

std::vector<SimOutput> SimBus::receive(const QByteArray& line, int baud, qint64 nowMs) {
    std::vector<SimOutput> out;
    int id = 0;
    QString command;
    if (!parseFrame(line, id, command)) {
        return out;
    }
    for (auto& d : devices_) {
        if (!d->onSerialLine() || d->baud() != baud || (id != 0 && d->id() != id)) {
            continue;
        }
        const std::optional<QString> reply = d->handle(command, nowMs);
        if (reply && id != 0) {
            out.push_back(render(*d, *reply));
            out.back().delayMs += d->faults.takeLateness(command);
        }
    }
    return out;
}

std::vector<SimOutput> SimBus::advanceTo(qint64 nowMs) {
    std::vector<SimOutput> out;
    for (auto& d : devices_) {
        if (const auto line = d->advanceTo(nowMs); line && !d->faults.silent) {
            out.push_back({line->toLatin1() + "\r", 0, false});
        }
    }
    return out;
}

SimOutput SimBus::render(SimDevice& device, const QString& payload) {
    SimFaults& f = device.faults;
    SimOutput out;
    out.delayMs = f.replyDelayMs;
    out.endless = f.endless;
    out.endlessGapMs = f.trickleMs;
    if (f.garbage) {
        const int length = 1 + static_cast<int>(noise_ % 40);
        for (int i = 0; i < length; ++i) {
            noise_ = noise_ * 1103515245u + 12345u;
            out.bytes += static_cast<char>((noise_ >> 16) & 0xff);
        }
        out.bytes += '\r';
        return out;
    }
    if (!f.rawReplies.isEmpty()) {
        out.bytes = f.rawReplies.takeFirst();
        return out;
    }
    if (f.dollarReplies > 0) {
        --f.dollarReplies;
        out.bytes = f.dollarText + "\r";
        return out;
    }
    if (device.prefixReplies()) {
        out.bytes = "#" + device.address().toLatin1();
    }
    out.bytes += payload.toLatin1();
    if (!f.noCR) {
        out.bytes += '\r';
    }
    return out;
}
