#include "bus/bus_line.h"

#include "files/visible_text.h"
#include "link/messages.h"
#include "link/serial_port.h"

namespace {

// What a device sent, as a cell may show it: a colliding or noisy line sends anything, so
// control characters are shown escaped and a long text is cut.
QString shown(const QString& text) {
    constexpr int kLongest = 24;
    const QString visible = visibleText(text);
    return visible.size() > kLongest ? visible.left(kLongest) + QChar(0x2026) : visible;
}

QString valueText(const std::optional<QString>& value) {
    return shown(value.value_or(QString()));
}

}  // namespace

BusRow busRow(const BusDevice& device, const LineQuality& quality) {
    BusRow row;
    row.id = device.id;
    row.name = shown(device.name);
    row.identity = shown(device.identity);
    row.version = shown(device.version);
    const DeviceStatus& s = device.cycle.status;
    row.position = valueText(s.position);
    row.encoder = valueText(s.encoder);
    row.speed = valueText(s.speed);
    if (s.motion) {
        row.status = s.motion->text;
        row.lamps = std::array<bool, 4>{s.motion->posLimit, s.motion->home, s.motion->negLimit,
                                        s.motion->zIndex};
    }
    row.lineState = busLineStateText(quality);
    row.exchanges = quality.exchanges;
    row.unanswered = quality.unanswered;
    row.late = quality.late;
    row.garbled = quality.garbled;
    row.dollarRepeats = quality.dollarRepeats;
    row.p50Us = quality.replyTimes.percentileUs(0.5);
    row.p95Us = quality.replyTimes.percentileUs(0.95);
    row.maxUs = quality.replyTimes.maxUs();
    row.lastAnswerMs = quality.lastAnswerMs;
    return row;
}

BusLine::~BusLine() = default;

std::optional<QString> BusLine::open(LineEngine::Line& line, int portNumber, const QString& baud) {
    try {
        openPort(line.port(), portNumber, baud);
    } catch (const PortError& e) {
        failure_ = kCommunicationError + e.description();
        return withOpenFailureHelp(failure_, line.port());
    }
    baud_ = baud.toInt();
    poll_ = std::make_unique<BusPoll>(line.port(), line.state(), baud_);
    return std::nullopt;
}

bool BusLine::probe(LineEngine::Line& line, const QString& id) {
    if (!poll_ || !failure_.isEmpty()) {
        return false;
    }
    const ExchangeResult result = line.exchange(id, QStringLiteral("DN"));
    if (result.status == ExchangeResult::Status::PortFailure) {
        failure_ = kCommunicationError + result.error;
        return false;
    }
    return result.status == ExchangeResult::Status::Reply && !result.text.isEmpty();
}

std::optional<BusRow> BusLine::pollNext(const QStringList& ids) {
    if (!poll_ || !failure_.isEmpty()) {
        return std::nullopt;
    }
    if (poll_->ids() != ids) {
        poll_->setIds(ids);
    }
    const auto step = poll_->next();
    if (!step) {
        return std::nullopt;
    }
    if (step->portFailed) {
        failure_ = kCommunicationError + poll_->error();
    }
    const BusDevice* device = poll_->device(step->id);
    return device ? std::optional(busRow(*device, poll_->tally().of(step->id))) : std::nullopt;
}

void BusLine::startDoctor(LineEngine::Line& line, const DoctorPlan& plan) {
    doctor_ = std::make_unique<BusDoctor>(line.port(), line.state(), baud_, plan);
}

bool BusLine::doctorStep(bool cancel) {
    if (!doctor_) {
        return false;
    }
    if (cancel) {
        doctor_->cancel();
        return false;
    }
    return doctor_->step();
}

int BusLine::doctorStepsDone() const {
    return doctor_ ? doctor_->stepsDone() : 0;
}

int BusLine::doctorStepsTotal() const {
    return doctor_ ? doctor_->stepsTotal() : 0;
}

QString BusLine::doctorStepText() const {
    return doctor_ ? doctor_->stepText() : QString();
}

QString BusLine::finishDoctor() {
    if (!doctor_) {
        return QString();
    }
    QString text = doctorReportText(doctor_->report());
    if (doctor_->report().portFailed) {
        failure_ = kCommunicationError + doctor_->report().error;
    }
    doctor_.reset();  // gives the line back to the poll's tally
    return text;
}

void BusLine::close() {
    doctor_.reset();
    poll_.reset();
}
