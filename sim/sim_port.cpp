#include "sim/sim_port.h"

#include <algorithm>
#include <utility>

SimBus& SimHub::addPort(int number) {
    auto& bus = buses_[number];
    if (!bus) {
        bus = std::make_shared<SimBus>();
    }
    return *bus;
}

SimBus* SimHub::bus(int number) {
    const auto it = buses_.find(number);
    return it == buses_.end() ? nullptr : it->get();
}

void SimHub::advanceUs(qint64 us) {
    nowUs_ += us;
}

void SimHub::vanishAfter(int number, const QByteArray& line, int nth) {
    triggers_.append({number, line, nth});
}

void SimHub::lineWritten(int number, const QByteArray& line) {
    for (auto it = triggers_.begin(); it != triggers_.end(); ++it) {
        if (it->port == number && (it->line.isEmpty() || it->line == line) &&
            --it->remaining <= 0) {
            triggers_.erase(it);
            vanish(number);
            return;
        }
    }
}

QStringList SimHub::lines(int port) const {
    QStringList out;
    for (const WireLine& w : wire_) {
        if (port == 0 || w.port == port) {
            QByteArray text = w.line;
            if (text.endsWith('\r')) {
                text.chop(1);
            }
            out << QString::fromLatin1(text);
        }
    }
    return out;
}

SimPort::SimPort(SimHub& hub) : hub_(hub) {}

SimPort::~SimPort() {
    if (open_) {
        hub_.open_.remove(number_);
    }
}

void SimPort::setPortNumber(int number) {
    calls << QStringLiteral("port %1").arg(number);
    if (open_) {
        throw PortError(QStringLiteral("Port is already open"));
    }
    number_ = number;
}

void SimPort::setSettings(const QString& settings) {
    calls << QStringLiteral("settings %1").arg(settings);
    const QStringList parts = settings.split(QLatin1Char(','));
    bool ok = parts.size() == 4;
    const int baud = ok ? parts[0].toInt(&ok) : 0;
    if (!ok || baud <= 0) {
        throw PortError(QStringLiteral("Invalid port settings: %1").arg(settings));
    }
    baud_ = baud;
}

void SimPort::setDtr(bool on) {
    calls << QStringLiteral("dtr %1").arg(on ? 1 : 0);
    dtr_ = on;
}

void SimPort::setInputLength(int length) {
    calls << QStringLiteral("input length %1").arg(length);
    inputLength_ = length > 0 ? length : 1;
}

void SimPort::setReceiveThreshold(int threshold) {
    calls << QStringLiteral("threshold %1").arg(threshold);
}

void SimPort::open() {
    calls << QStringLiteral("open");
    if (open_) {
        throw PortError(QStringLiteral("Port is already open"));
    }
    if (!hub_.exists(number_)) {
        throw PortError(QStringLiteral("No such file or directory"));
    }
    if (hub_.open_.contains(number_)) {
        throw PortError(QStringLiteral("Permission denied"));
    }
    hub_.open_.insert(number_);
    open_ = true;
    partial_.clear();
    input_ = std::exchange(hub_.inFlight_[number_], {});
    while (!input_.empty() && input_.front().atUs < hub_.nowUs()) {
        input_.pop_front();  // arrived while no one held the port: gone
    }
    endlessFromUs_ = -1;
}

void SimPort::close() {
    calls << QStringLiteral("close");
    release();
}

void SimPort::release() {
    if (open_) {
        hub_.open_.remove(number_);
        if (!hub_.vanished(number_)) {
            std::erase_if(input_, [this](const SimByte& b) { return b.atUs <= hub_.nowUs(); });
            hub_.inFlight_[number_] = std::move(input_);
        }
    }
    open_ = false;
    input_.clear();
    endlessFromUs_ = -1;
}

void SimPort::requireUsable() {
    if (!open_) {
        throw PortError(QStringLiteral("Port is not open"));
    }
    if (hub_.vanished(number_)) {
        release();
        throw PortError(QStringLiteral("Input/output error"));
    }
}

qint64 SimPort::charTimeUs() const {
    return hub_.pacing ? 10'000'000 / baud_ : 0;
}

void SimPort::write(const QByteArray& data) {
    requireUsable();
    qint64 at = hub_.nowUs();
    for (char c : data) {
        partial_ += c;
        at += charTimeUs();
        if (c != '\r') {
            continue;
        }
        hub_.wire_.append({number_, partial_, baud_});
        SimBus* bus = hub_.bus(number_);
        const auto outputs = bus->receive(partial_, baud_, at / 1000);
        const QByteArray line = partial_.chopped(1);
        partial_.clear();
        for (const SimOutput& o : outputs) {
            schedule(o, at + hub_.turnaroundUs);
        }
        hub_.lineWritten(number_, line);
    }
}

void SimPort::schedule(const SimOutput& output, qint64 startUs) {
    qint64 at = std::max(startUs + qint64{output.delayMs} * 1000,
                         input_.empty() ? qint64{0} : input_.back().atUs);
    for (char c : output.bytes) {
        at += charTimeUs();
        input_.push_back({at, c});
    }
    if (output.endless) {
        endlessGapUs_ = qint64{output.endlessGapMs} * 1000;
        endlessFromUs_ = at + endlessGapUs_;
    }
}

QByteArray SimPort::read() {
    requireUsable();
    QByteArray out;
    while (out.size() < inputLength_) {
        if (!input_.empty() && input_.front().atUs <= hub_.nowUs()) {
            out += input_.front().byte;
            input_.pop_front();
        } else if (input_.empty() && endlessFromUs_ >= 0 && endlessFromUs_ <= hub_.nowUs()) {
            out += 'x';
            endlessFromUs_ = hub_.nowUs() + std::max(charTimeUs(), endlessGapUs_);
        } else {
            break;
        }
    }
    return out;
}

void SimPort::advanceTo(qint64 us) {
    hub_.advanceUs(us - hub_.nowUs());
    if (SimBus* bus = hub_.bus(number_); bus && open_) {
        for (const SimOutput& o : bus->advanceTo(hub_.nowMs())) {
            schedule(o, hub_.nowUs());
        }
    }
}

void SimPort::delay(int ms) {
    requireUsable();
    advanceTo(hub_.nowUs() + qint64{ms} * 1000);
}

bool SimPort::waitForInput(int ms) {
    requireUsable();
    const qint64 until = hub_.nowUs() + qint64{ms} * 1000;
    qint64 next = -1;
    if (!input_.empty()) {
        next = input_.front().atUs;
    } else if (endlessFromUs_ >= 0) {
        next = endlessFromUs_;
    }
    if (next >= 0 && next <= until) {
        advanceTo(std::max(next, hub_.nowUs()));
        return true;
    }
    advanceTo(until);
    return false;
}
