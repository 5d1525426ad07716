#include "monitor/bus_poll.h"

#include <QDateTime>

#include "link/messages.h"
#include "monitor/identification.h"

BusPoll::BusPoll(SerialPort& port, LineState& line, int baud)
    : port_(port), line_(line), tally_(baud) {
    line_.afterExchange = [this](const ExchangeTrace& trace) { tally_.take(trace); };
}

BusPoll::~BusPoll() {
    line_.afterExchange = nullptr;
}

void BusPoll::setIds(const QStringList& ids) {
    std::vector<std::unique_ptr<BusDevice>> kept;
    for (const QString& id : ids) {
        auto it = std::find_if(devices_.begin(), devices_.end(),
                               [&id](const auto& d) { return d && d->id == id; });
        kept.push_back(it != devices_.end() ? std::move(*it)
                                            : std::make_unique<BusDevice>(id, port_, line_));
    }
    devices_ = std::move(kept);
    if (next_ >= devices_.size()) {
        next_ = 0;
    }
}

QStringList BusPoll::ids() const {
    QStringList ids;
    for (const auto& d : devices_) {
        ids << d->id;
    }
    return ids;
}

std::optional<BusPoll::Step> BusPoll::next() {
    if (devices_.empty()) {
        return std::nullopt;
    }
    BusDevice& device = *devices_[next_];
    next_ = (next_ + 1) % devices_.size();
    if (!device.identified) {
        return identify(device);
    }
    Step step{device.id};
    step.tick = device.cycle.tick();
    if (step.tick == StatusCycle::Tick::Reidentified) {
        device.identity = device.cycle.identity;
        device.version = device.cycle.version;
    }
    step.portFailed = step.tick == StatusCycle::Tick::PortFailed;
    if (step.portFailed) {
        error_ = device.cycle.error();
    }
    return step;
}

bool BusPoll::pass() {
    next_ = 0;
    for (size_t i = 0; i < devices_.size(); ++i) {
        if (const auto step = next(); step && step->portFailed) {
            return false;
        }
    }
    return true;
}

BusPoll::Step BusPoll::identify(BusDevice& device) {
    Step step{device.id, Step::What::NotIdentified};
    const DeviceIdentification who = identifyDevice(port_, line_, device.id);
    if (who.end == DeviceIdentification::End::PortFailed) {
        step.portFailed = true;
        error_ = who.error;
        return step;
    }
    device.identity = who.identity;
    if (who.end != DeviceIdentification::End::Identified) {
        return step;
    }
    device.version = who.version;
    device.name = who.name;
    device.identified = true;
    device.cycle.communicating = true;
    step.what = Step::What::Identified;
    return step;
}

const BusDevice* BusPoll::device(const QString& id) const {
    for (const auto& d : devices_) {
        if (d->id == id) {
            return d.get();
        }
    }
    return nullptr;
}

QString busLineStateText(const LineQuality& quality) {
    if (quality.exchanges == 0) {
        return QString();
    }
    if (quality.silentSinceMs < 0) {
        return QStringLiteral("OK");
    }
    const qint64 since = quality.lastAnswerMs >= 0 ? quality.lastAnswerMs : quality.silentSinceMs;
    return QStringLiteral("no reply since %1")
        .arg(QDateTime::fromMSecsSinceEpoch(since).toString(QStringLiteral("HH:mm:ss")));
}
