// The doctor's steps on the line: who is there, each device's queries, the silent ones' rates.
#include "monitor/bus_doctor.h"

#include <atomic>
#include <deque>

namespace {

// Harmless queries only: nothing written, nothing that moves.
const QStringList kIdentify{"ID", "VER", "DN"};
const QStringList kRound{"ID", "PX", "EX"};

QString ratesText(const QList<int>& rates) {
    QStringList texts;
    for (int r : rates) {
        texts << QString::number(r);
    }
    const QString last = texts.takeLast();
    return (texts.isEmpty() ? last : texts.join(QStringLiteral(", ")) + " and " + last) + " baud";
}

QString timesText(int n) {
    return n == 1 ? QStringLiteral("once each") : QStringLiteral("%1 times each").arg(n);
}

}  // namespace

QList<int> doctorRates() {
    return {9600, 19200, 38400, 57600, 115200};
}

struct BusDoctor::State {
    State(SerialPort& port, LineState& line, int baud, DoctorPlan plan)
        : port(port), line(line), baud(baud), plan(std::move(plan)), tally(baud) {}

    struct Step {
        enum class Kind { Look, Identify, Round, Probe } kind;
        QString id;
        int round = 0;
        int rate = 0;
    };
    enum class Phase { Look, Identify, Rounds, Probe, Done };

    void planNextPhase();
    void planProbeRate();
    void run(const Step& step);  // throws PortError
    bool ask(const QString& id, const QString& command, QString* reply = nullptr);
    void setRate(int rate);
    void finish();
    // Plans phases until a step is queued; finishes when none is left.
    void advance();
    QString caption(const Step& step) const;
    QStringList sentLines() const;
    int laterSteps() const;

    SerialPort& port;
    LineState& line;
    int baud;
    DoctorPlan plan;
    LineTally tally;
    std::function<void(const ExchangeTrace&)> savedHook;
    DoctorReport report;

    Phase phase = Phase::Look;
    std::deque<Step> queue;
    QStringList looked;     // sent "DN" to see who is there
    QStringList devices;    // to be asked their identity
    QStringList asked;      // ... and asked it
    QStringList answering;  // ... and answered some of it
    QMap<QString, int> roundsDone;
    QStringList toProbe;
    QList<int> ratesLeft;
    QMap<QString, QList<int>> probedAt;
    int rate = 0;  // what the port is set to
    // The line's own counts, kept while the port runs at other rates: the probes are not its.
    quint64 savedExchanges = 0, savedUnanswered = 0, savedDropped = 0;
    int done = 0;
    QString text;
    std::atomic<bool> cancelRequested{false};
};

void BusDoctor::State::planNextPhase() {
    switch (phase) {
        case Phase::Look:
            phase = Phase::Identify;
            std::sort(devices.begin(), devices.end());
            for (const QString& id : devices) {
                queue.push_back({Step::Kind::Identify, id});
            }
            return;
        case Phase::Identify:
            phase = Phase::Rounds;
            for (const QString& id : asked) {
                const LineQuality& q = tally.of(id);
                if (q.answered > 0) {
                    answering << id;
                } else if (q.late == 0 && (plan.ids.contains(id) || plan.probeAbsent)) {
                    toProbe << id;
                }
            }
            if (plan.probeAbsent) {
                for (const QString& id : looked) {
                    if (!devices.contains(id)) {
                        toProbe << id;
                    }
                }
            }
            std::sort(toProbe.begin(), toProbe.end());
            for (int r = 1; r <= plan.rounds; ++r) {
                for (const QString& id : answering) {
                    queue.push_back({Step::Kind::Round, id, r});
                }
            }
            return;
        case Phase::Rounds:
            phase = Phase::Probe;
            ratesLeft = doctorRates();
            ratesLeft.removeAll(baud);
            planProbeRate();
            return;
        case Phase::Probe:
            planProbeRate();
            return;
        case Phase::Done:
            return;
    }
}

// The silent IDs not found yet, at the next rate; the phase ends when none is left.
void BusDoctor::State::planProbeRate() {
    while (queue.empty() && !ratesLeft.isEmpty()) {
        const int next = ratesLeft.takeFirst();
        for (const QString& id : toProbe) {
            if (!report.otherBauds.contains(id)) {
                queue.push_back({Step::Kind::Probe, id, 0, next});
            }
        }
    }
    if (queue.empty()) {
        phase = Phase::Done;
    }
}

bool BusDoctor::State::ask(const QString& id, const QString& command, QString* reply) {
    const ExchangeResult r = exchange(port, line, id, command);
    if (r.status == ExchangeResult::Status::PortFailure) {
        throw PortError(r.error);
    }
    if (reply) {
        *reply = r.text;
    }
    return r.status == ExchangeResult::Status::Reply;
}

void BusDoctor::State::run(const Step& step) {
    switch (step.kind) {
        case Step::Kind::Look:
            looked << step.id;
            if (ask(step.id, QStringLiteral("DN"))) {
                devices << step.id;
            }
            return;
        case Step::Kind::Identify:
            asked << step.id;
            for (const QString& command : kIdentify) {
                ask(step.id, command);
            }
            return;
        case Step::Kind::Round:
            for (const QString& command : kRound) {
                ask(step.id, command);
            }
            roundsDone[step.id] = step.round;
            return;
        case Step::Kind::Probe: {
            setRate(step.rate);
            probedAt[step.id] << step.rate;
            QString name;
            if (ask(step.id, QStringLiteral("DN"), &name)) {
                report.otherBauds[step.id] = step.rate;
                report.otherBaudNames[step.id] = name;
            }
            return;
        }
    }
}

void BusDoctor::State::setRate(int to) {
    if (to == rate) {
        return;
    }
    if (rate == baud) {
        line.afterExchange = nullptr;  // the figures are the line's rate's only
        savedExchanges = line.exchanges;
        savedUnanswered = line.unanswered;
        savedDropped = line.staleDropped;
    }
    port.setSettings(lineSettings(QString::number(to)));
    rate = to;
    line.unsettled = true;  // what came at the old rate is noise at the new one
    if (to == baud) {
        line.exchanges = savedExchanges;
        line.unanswered = savedUnanswered;
        line.staleDropped = savedDropped;
    }
}

void BusDoctor::State::finish() {
    phase = Phase::Done;
    queue.clear();
    try {
        setRate(baud);
    } catch (const PortError& e) {
        if (!report.portFailed) {
            report.portFailed = true;
            report.error = e.description();
        }
    }
    line.afterExchange = savedHook;
    report.baud = baud;
    report.ids.clear();
    QStringList figured = asked + plan.ids + report.otherBauds.keys();
    for (const QString& id : figured) {
        if (tally.of(id).answered > 0 && !report.ids.contains(id)) {
            report.ids << id;
        }
        report.quality[id] = tally.of(id);
    }
    std::sort(report.ids.begin(), report.ids.end());
    report.sent = sentLines();
    if (!report.cancelled && !report.portFailed) {
        report.findings = diagnose(plan, report);
    }
    text = report.portFailed  ? QStringLiteral("The line failed")
           : report.cancelled ? QStringLiteral("Cancelled")
                              : QStringLiteral("Done");
}

void BusDoctor::State::advance() {
    while (queue.empty() && phase != Phase::Done) {
        planNextPhase();
    }
    if (queue.empty()) {
        finish();
    } else {
        text = caption(queue.front());
    }
}

QString BusDoctor::State::caption(const Step& step) const {
    switch (step.kind) {
        case Step::Kind::Look:
            return QStringLiteral("Looking for a device at %1 (DN)").arg(step.id);
        case Step::Kind::Identify:
            return QStringLiteral("Asking %1 who it is (ID, VER, DN)").arg(step.id);
        case Step::Kind::Round:
            return QStringLiteral("Round %1 of %2: asking %3 (ID, PX, EX)")
                .arg(step.round)
                .arg(plan.rounds)
                .arg(step.id);
        case Step::Kind::Probe:
            return QStringLiteral("Looking for %1 at %2 baud (DN)").arg(step.id).arg(step.rate);
    }
    return QString();
}

QStringList BusDoctor::State::sentLines() const {
    QStringList lines;
    if (!looked.isEmpty()) {
        lines << QStringLiteral("Sent DN to %1 to see who answers").arg(idRangesText(looked));
    }
    QMap<int, QStringList> byRounds;
    for (const QString& id : asked) {
        byRounds[answering.contains(id) ? roundsDone.value(id) : -1] << id;
    }
    const QString identify = kIdentify.join(QStringLiteral(", "));
    for (auto it = byRounds.begin(); it != byRounds.end(); ++it) {
        QString line = QStringLiteral("Sent to %1: %2").arg(idRangesText(*it), identify);
        if (it.key() < 0) {
            line += QStringLiteral(" (no answer, so nothing more)");
        } else if (it.key() > 0) {
            line += QStringLiteral(", then %1 %2")
                        .arg(kRound.join(QStringLiteral(", ")), timesText(it.key()));
        }
        lines << line;
    }
    // IDs probed at the same rates share a line, in the order of their first ID.
    QList<QPair<QString, QStringList>> byRates;
    for (auto it = probedAt.begin(); it != probedAt.end(); ++it) {
        const QString rates = ratesText(*it);
        auto same = std::find_if(byRates.begin(), byRates.end(),
                                 [&rates](const auto& group) { return group.first == rates; });
        if (same == byRates.end()) {
            byRates.append({rates, {it.key()}});
        } else {
            same->second << it.key();
        }
    }
    for (const auto& [rates, ids] : byRates) {
        lines << QStringLiteral("Probed %1 with DN at %2").arg(idRangesText(ids), rates);
    }
    return lines;
}

// The steps the phases after the queued ones will likely take.
int BusDoctor::State::laterSteps() const {
    switch (phase) {
        case Phase::Look:
            return int(devices.size() + plan.ids.size()) * (1 + plan.rounds);
        case Phase::Identify:
            return int(devices.size()) * plan.rounds;
        case Phase::Rounds:
            return int(toProbe.size() * (doctorRates().size() - 1));
        case Phase::Probe:
            return int(toProbe.size() - report.otherBauds.size()) * int(ratesLeft.size());
        case Phase::Done:
            return 0;
    }
    return 0;
}

BusDoctor::BusDoctor(SerialPort& port, LineState& line, int baud, DoctorPlan plan)
    : d_(std::make_unique<State>(port, line, baud, std::move(plan))) {
    State& s = *d_;
    s.rate = baud;
    s.savedHook = line.afterExchange;
    line.afterExchange = [&s](const ExchangeTrace& trace) { s.tally.take(trace); };
    s.plan.rounds = std::max(0, s.plan.rounds);
    s.devices = s.plan.ids;
    for (const QString& id : s.plan.lookAt) {
        if (!s.plan.ids.contains(id)) {
            s.queue.push_back({State::Step::Kind::Look, id});
        }
    }
    s.advance();
}

BusDoctor::~BusDoctor() {
    State& s = *d_;
    if (s.phase != State::Phase::Done) {
        s.report.cancelled = true;
        s.finish();  // sets the rate and the line's watcher back
    }
}

bool BusDoctor::step() {
    State& s = *d_;
    if (s.phase == State::Phase::Done) {
        return false;
    }
    try {
        if (!s.cancelRequested && !s.queue.empty()) {
            const State::Step next = s.queue.front();
            s.queue.pop_front();
            s.run(next);
            ++s.done;
        }
    } catch (const PortError& e) {
        s.report.portFailed = true;
        s.report.error = e.description();
        s.finish();
        return false;
    }
    if (s.cancelRequested) {
        s.report.cancelled = true;
        s.finish();
        return false;
    }
    s.advance();
    return s.phase != State::Phase::Done;
}

int BusDoctor::stepsDone() const {
    return d_->done;
}

int BusDoctor::stepsTotal() const {
    return d_->done + int(d_->queue.size()) + d_->laterSteps();
}

QString BusDoctor::stepText() const {
    return d_->text;
}

void BusDoctor::cancel() {
    d_->cancelRequested = true;
}

const DoctorReport& BusDoctor::report() const {
    return d_->report;
}
