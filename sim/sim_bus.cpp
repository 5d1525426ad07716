#include "sim/sim_bus.h"

#include <algorithm>
#include <cctype>
#include <cmath>

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

// What the line carries when two RS-485 drivers send at once. The idle line is 1 and a driven 0
// wins over it, so every bit on the line is the AND of the two drivers' bits. The second answer
// runs half a character (4 bit times) behind the first, and the receiver frames the characters
// on the first's start bits: data bit i of character k (bit time 10k+1+i, the start bit at 10k)
// meets the second's bit time 10k-3+i, that is bits 6 and 7 of its character k-1 (idle for
// k = 0), its stop bit, its start bit and bits 0 to 3 of its character k. Where one driver has
// nothing more to send, its bits are idle 1s. The two CRs are not mixed: the stream ends with
// one clean CR, the one the driver still talking sends last, so the receiver gets one line
// that ends (while the second sends, its start bit clears bit 3, so no mixed character is a
// CR). Framing errors are not modelled: the receiver takes every character.
QByteArray collision(QByteArray first, QByteArray second) {
    bool cr = false;
    for (QByteArray* answer : {&first, &second}) {
        if (answer->endsWith('\r')) {
            answer->chop(1);
            cr = true;
        }
    }
    // A driver's character k, or -1 while it is idle.
    const auto at = [](const QByteArray& b, qsizetype k) {
        return k >= 0 && k < b.size() ? int{static_cast<unsigned char>(b[k])} : -1;
    };
    QByteArray out;
    for (qsizetype k = 0; k < std::max(first.size(), second.size()); ++k) {
        const int own = at(first, k), before = at(second, k - 1), now = at(second, k);
        const int low = before < 0 ? 0x3 : (before >> 6) & 0x3;  // its bits 6 and 7
        const int high = now < 0 ? 0xf8 : (now & 0xf) << 4;      // its start bit, bits 0 to 3
        out += static_cast<char>((own < 0 ? 0xff : own) & (low | 0x4 | high));  // 0x4: stop bit
    }
    if (cr) {
        out += '\r';
    }
    return out;
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
    // Every answer here is to one ID: more than one is a collision, one stream from the moment
    // the first answer starts (a third answer mixes into the first two's in the same way).
    if (out.size() > 1) {
        std::stable_sort(out.begin(), out.end(), [](const SimOutput& a, const SimOutput& b) {
            return a.delayMs < b.delayMs;
        });
        SimOutput& mixed = out.front();
        for (size_t i = 1; i < out.size(); ++i) {
            mixed.bytes = collision(mixed.bytes, out[i].bytes);
            if (out[i].endless && !mixed.endless) {
                mixed.endless = true;
                mixed.endlessGapMs = out[i].endlessGapMs;
            }
        }
        out.resize(1);
    }
    for (SimOutput& o : out) {
        addNoise(o.bytes);
    }
    return out;
}

std::vector<SimOutput> SimBus::advanceTo(qint64 nowMs) {
    std::vector<SimOutput> out;
    for (auto& d : devices_) {
        if (const auto line = d->advanceTo(nowMs); line && !d->faults.silent) {
            out.push_back({line->toLatin1() + "\r", 0, false});
            addNoise(out.back().bytes);
        }
    }
    return out;
}

bool SimBus::collide(int id, bool on) {
    SimDevice* first = device(id);
    if (!first) {
        return false;
    }
    const auto sameId = [id](const std::unique_ptr<SimDevice>& d) { return d->id() == id; };
    if (!on) {
        std::erase_if(devices_, [&](const std::unique_ptr<SimDevice>& d) {
            return d.get() != first && sameId(d);
        });
    } else if (std::count_if(devices_.begin(), devices_.end(), sameId) == 1) {
        // It hears the same frames from now on, so its parameters stay the first's.
        SimDevice& twin = addDevice(id, first->baud());
        twin.values = first->values;
        twin.flash = first->flash;
        twin.identity = first->identity;
        twin.version = first->version;
    }
    return true;
}

void SimBus::setNoise(double rate) {
    noiseRate_ = std::isnan(rate) ? 0.0 : std::clamp(rate, 0.0, 1.0);
}

void SimBus::addNoise(QByteArray& bytes) {
    if (noiseRate_ <= 0) {
        return;
    }
    for (char& c : bytes) {
        if (lineNoise_() / 4294967296.0 < noiseRate_) {  // [0, 1): a rate of 1 hits every one
            c = static_cast<char>(c ^ (1 << (lineNoise_() % 8)));
        }
    }
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
