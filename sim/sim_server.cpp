#include "sim/sim_server.h"

#include <poll.h>
#include <unistd.h>

#include <QFile>
#include <QStringList>
#include <algorithm>
#include <chrono>

#include "sim/net_link.h"
#include "sim/pty_link.h"
#include "sim/sim_motion_control.h"

struct SimServer::Port {
    explicit Port(std::unique_ptr<SimLink> link) : link(std::move(link)) {}
    std::unique_ptr<SimLink> link;
    SimBus bus;
    QByteArray partial;       // the line being received
    qint64 lineStartUs = -1;  // when its first character came
    struct Pending {
        qint64 atUs;
        char byte;
    };
    std::deque<Pending> out;    // answer characters waiting for their time
    qint64 endlessFromUs = -1;  // a device streams without CR from then on
    qint64 nextEndlessUs = 0;
    qint64 endlessGapUs = 0;
    QByteArray vanishLine;    // the port vanishes once this line (without CR) has come ...
    int vanishRemaining = 0;  // ... this many more times; 0: no such trigger
};

SimServer::SimServer(Options options) : options_(std::move(options)), startUs_(0) {
    startUs_ = nowUs();
    if (options_.logPath == QLatin1String("-")) {
        log_ = std::make_unique<QTextStream>(stderr);
    } else if (!options_.logPath.isEmpty()) {
        logFile_ = std::make_unique<QFile>(options_.logPath);
        if (logFile_->open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text)) {
            log_ = std::make_unique<QTextStream>(logFile_.get());
        }
    }
}

SimServer::~SimServer() = default;

qint64 SimServer::nowUs() const {
    using namespace std::chrono;
    return duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count() - startUs_;
}

SimBus& SimServer::addPort(int number, const PortServing& serving) {
    std::unique_ptr<SimLink> link;
    if (serving.kind == PortServing::Pty) {
        link = std::make_unique<PtyLink>(number, linkPath(number), !options_.offerDir.isEmpty());
    } else {
        link = std::make_unique<NetLink>(
            number, serving.kind == PortServing::Tcp ? NetLink::Kind::Raw : NetLink::Kind::Rfc2217,
            serving.tcpPort, serving.rawBaud);
    }
    link->note = [this, number](const QString& note) { logNote(number, note); };
    ports_.push_back(std::make_unique<Port>(std::move(link)));
    return ports_.back()->bus;
}

QString SimServer::address(int number) {
    Port* p = port(number);
    return p ? p->link->address() : QString();
}

QString SimServer::linkPath(int number) const {
    return options_.offerDir.isEmpty()
               ? options_.portsDir + QStringLiteral("/com%1").arg(number)
               : options_.offerDir + QStringLiteral("/nvq-can-sim-%1").arg(number);
}

void SimServer::start() {
    for (auto& p : ports_) {
        p->link->create();
    }
}

SimServer::Port* SimServer::port(int number) {
    for (auto& p : ports_) {
        if (p->link->number() == number) {
            return p.get();
        }
    }
    return nullptr;
}

SimDevice* SimServer::device(const QString& id) {
    int number = 0;
    SimBus* bus = busOf(id, number);
    return bus ? bus->device(number) : nullptr;
}

SimBus* SimServer::busOf(const QString& id, int& number) {
    // "ID" is the first device with that ID on any port; "N:ID" the one on COM N.
    const QStringList parts = id.split(QLatin1Char(':'));
    bool ok = parts.size() <= 2;
    number = ok ? parts.last().toInt(&ok) : 0;
    int comPort = 0;
    if (ok && parts.size() == 2) {
        comPort = parts.first().toInt(&ok);
    }
    for (auto& p : ports_) {
        if (!ok || (comPort != 0 && p->link->number() != comPort)) {
            continue;
        }
        if (p->bus.device(number)) {
            return &p->bus;
        }
    }
    return nullptr;
}

QString SimServer::collide(const QStringList& words) {
    const bool on = words.size() == 3 && words[2] == QLatin1String("on");
    if (!on && (words.size() != 3 || words[2] != QLatin1String("off"))) {
        return QStringLiteral("error: usage 'collide ID on|off', see --help");
    }
    int number = 0;
    SimBus* bus = busOf(words[1], number);
    if (!bus || !bus->collide(number, on)) {
        return QStringLiteral("error: no device %1").arg(words[1]);
    }
    return QStringLiteral("ok");
}

QString SimServer::noise(const QStringList& words) {
    bool ok = words.size() == 2;
    const double rate = ok ? words[1].toDouble(&ok) : 0;
    if (!ok || !(rate >= 0 && rate <= 1)) {  // NaN too
        return QStringLiteral("error: usage 'noise RATE' (RATE 0 to 1), see --help");
    }
    for (auto& p : ports_) {
        p->bus.setNoise(rate);
    }
    return QStringLiteral("ok");
}

QString SimServer::netControl(const QStringList& words) {
    const bool on = words.size() == 3 && words[2] == QLatin1String("on");
    Port* p = words.size() == 3 ? port(words[1].toInt()) : nullptr;
    auto* link = p ? dynamic_cast<NetLink*>(p->link.get()) : nullptr;
    const bool refuse = words[0] == QLatin1String("refuse-baud");
    if (!link || (refuse && link->kind() != NetLink::Kind::Rfc2217) ||
        (!on && words[2] != QLatin1String("off"))) {
        return QStringLiteral("error: usage '%1 N on|off' (N: %2), see --help")
            .arg(words[0],
                 refuse ? QLatin1String("an RFC 2217 port") : QLatin1String("a network port"));
    }
    if (refuse) {
        link->setRefuseBaud(on);
    } else {
        link->setSilent(on);
    }
    return QStringLiteral("ok");
}

qint64 SimServer::charTimeUs(const Port& port) const {
    const int baud = port.link->baud();
    return options_.pace && baud > 0 ? 10'000'000 / baud : 0;
}

int SimServer::run(const std::function<bool()>& stop) {
    QByteArray control;
    bool stdinOpen = true;
    while (running_ && !stop()) {
        std::vector<pollfd> fds;
        if (stdinOpen) {
            fds.push_back({STDIN_FILENO, POLLIN, 0});
        }
        for (auto& p : ports_) {
            p->link->addPollFds(fds);
        }
        // Sleep until the next paced character is due, 1 ms at most: a fixed 1 ms sleep would
        // deliver every reply up to a millisecond late.
        qint64 sleepUs = 1000;
        for (const auto& p : ports_) {
            if (!p->out.empty()) {
                sleepUs = std::clamp<qint64>(p->out.front().atUs - nowUs(), 0, sleepUs);
            }
        }
        const timespec timeout{0, static_cast<long>(sleepUs * 1000)};
        ::ppoll(fds.data(), fds.size(), &timeout, nullptr);
        if (stdinOpen && (fds[0].revents & (POLLIN | POLLHUP))) {
            char buffer[256];
            const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
            if (n <= 0) {
                stdinOpen = false;  // no operator: keep serving
            } else {
                control.append(buffer, static_cast<int>(n));
                int nl;
                while ((nl = control.indexOf('\n')) >= 0) {
                    const QString reply = this->control(QString::fromLocal8Bit(control.left(nl)));
                    control.remove(0, nl + 1);
                    if (!reply.isEmpty()) {
                        fprintf(stdout, "%s\n", reply.toLocal8Bit().constData());
                        fflush(stdout);
                    }
                }
            }
        }
        const qint64 now = nowUs();
        for (auto& p : ports_) {
            serve(*p, now);
        }
    }
    return 0;
}

void SimServer::serve(Port& port, qint64 nowUs) {
    if (!port.link->alive()) {
        return;
    }
    const QByteArray got = port.link->readAvailable();
    if (!got.isEmpty()) {
        log(port, "->", got);
        receive(port, got, nowUs);
    }
    // A purge comes after what was read with it: a line completed before it was heard.
    const int purges = port.link->takePurges();
    if (purges & SimLink::kPurgeToDevices) {
        port.partial.clear();
    }
    if (purges & SimLink::kPurgeFromDevices) {
        port.out.clear();
        port.endlessFromUs = -1;
    }
    for (const SimOutput& o : port.bus.advanceTo(nowUs / 1000)) {
        enqueue(port, o, nowUs);
    }
    flush(port, nowUs);
}

void SimServer::receive(Port& port, const QByteArray& bytes, qint64 nowUs) {
    for (char c : bytes) {
        if (port.partial.isEmpty()) {
            port.lineStartUs = nowUs;
        }
        port.partial += c;
        if (c != '\r') {
            continue;
        }
        // On a paced line the last character arrives only after the whole line's time.
        const qint64 arrived =
            std::max(nowUs, port.lineStartUs + port.partial.size() * charTimeUs(port));
        const int baud = port.link->baud();
        for (const SimOutput& o : port.bus.receive(port.partial, baud, arrived / 1000)) {
            enqueue(port, o, arrived + qint64{options_.turnaroundMs} * 1000);
        }
        const QByteArray line = port.partial.chopped(1);
        port.partial.clear();
        if (vanishDue(port, line)) {
            setPresent(port, false);
            return;
        }
    }
}

bool SimServer::vanishDue(Port& port, const QByteArray& line) {
    if (port.vanishRemaining <= 0 || line != port.vanishLine) {
        return false;
    }
    return --port.vanishRemaining == 0;
}

void SimServer::setPresent(Port& port, bool present) {
    if (!present) {
        port.link->vanish();
    } else if (!port.link->alive()) {
        port.link->create();
    }
    port.out.clear();
    port.partial.clear();
    port.endlessFromUs = -1;
}

QString SimServer::vanishAfter(const QStringList& words) {
    Port* p = words.size() > 2 ? port(words[1].toInt()) : nullptr;
    bool ok = p != nullptr && words.size() <= 4;
    const int count = words.size() > 3 ? words[3].toInt(&ok) : 1;
    if (!ok || count < 1) {
        return QStringLiteral("error: usage 'vanish-after N LINE [COUNT]', see --help");
    }
    p->vanishLine = words[2].toLatin1();
    p->vanishRemaining = count;
    return QStringLiteral("ok");
}

QString SimServer::late(SimDevice& device, const QStringList& words) {
    bool ok = words.size() == 4 || words.size() == 5;
    const int ms = ok ? words[3].toInt(&ok) : 0;
    const int count = ok && words.size() == 5 ? words[4].toInt(&ok) : 1;
    if (!ok || ms < 0 || count < 1) {
        return QStringLiteral("error: usage 'late ID COMMAND MS [COUNT]', see --help");
    }
    device.faults.late.append({words[2], ms, count});
    return QStringLiteral("ok");
}

void SimServer::enqueue(Port& port, const SimOutput& output, qint64 startUs) {
    qint64 at = std::max(startUs + qint64{output.delayMs} * 1000,
                         port.out.empty() ? qint64{0} : port.out.back().atUs);
    for (char c : output.bytes) {
        at += charTimeUs(port);
        port.out.push_back({at, c});
    }
    if (output.endless) {
        port.endlessGapUs = qint64{output.endlessGapMs} * 1000;
        port.endlessFromUs = at;
        port.nextEndlessUs = at + port.endlessGapUs;
    }
}

void SimServer::flush(Port& port, qint64 nowUs) {
    QByteArray due;
    while (!port.out.empty() && port.out.front().atUs <= nowUs) {
        due += port.out.front().byte;
        port.out.pop_front();
    }
    if (port.out.empty() && port.endlessFromUs >= 0 && port.nextEndlessUs <= nowUs) {
        // A runaway device: characters without end, at the line's pace or 64 per millisecond.
        const qint64 step = std::max<qint64>({charTimeUs(port), port.endlessGapUs, 1});
        const qint64 count = std::min<qint64>((nowUs - port.nextEndlessUs) / step + 1, 64);
        due += QByteArray(static_cast<int>(count), 'x');
        port.nextEndlessUs += count * step;
    }
    if (!due.isEmpty()) {
        const int written = port.link->writeSome(due);
        log(port, "<-", due.left(written));
    }
}

void SimServer::logNote(int number, const QString& note) {
    if (log_) {
        *log_ << QStringLiteral("%1 COM%2 %3\n")
                     .arg(nowUs() / 1000.0, 10, 'f', 1)
                     .arg(number)
                     .arg(note);
        log_->flush();
    }
}

void SimServer::log(const Port& port, const char* direction, const QByteArray& bytes) {
    if (!log_ || bytes.isEmpty()) {
        return;
    }
    QString shown;
    for (char c : bytes) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '\r') {
            shown += QStringLiteral("<CR>");
        } else if (u < 32 || u > 126) {
            shown += QStringLiteral("<%1>").arg(u, 2, 16, QLatin1Char('0'));
        } else {
            shown += QChar::fromLatin1(c);
        }
    }
    *log_ << QStringLiteral("%1 COM%2 %3 %4\n")
                 .arg(nowUs() / 1000.0, 10, 'f', 1)
                 .arg(port.link->number())
                 .arg(QLatin1String(direction), shown);
    log_->flush();
}

QString SimServer::control(const QString& line) {
    const QStringList words = line.simplified().split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (words.isEmpty()) {
        return QString();
    }
    const QString verb = words[0];
    if (verb == QLatin1String("quit")) {
        running_ = false;
        return QStringLiteral("ok");
    }
    if (verb == QLatin1String("vanish") || verb == QLatin1String("restore")) {
        Port* p = words.size() > 1 ? port(words[1].toInt()) : nullptr;
        if (!p) {
            return QStringLiteral("error: no such port");
        }
        setPresent(*p, verb == QLatin1String("restore"));
        return QStringLiteral("ok");
    }
    if (verb == QLatin1String("vanish-after")) {
        return vanishAfter(words);
    }
    if (verb == QLatin1String("collide")) {
        return collide(words);
    }
    if (verb == QLatin1String("noise")) {
        return noise(words);
    }
    if (verb == QLatin1String("telnet-silent") || verb == QLatin1String("refuse-baud")) {
        return netControl(words);
    }
    SimDevice* d = words.size() > 2 ? device(words[1]) : nullptr;
    if (!d) {
        return QStringLiteral("error: usage '<fault> <device id> <value>', see --help");
    }
    if (const auto reply = motionControl(d->motion, verb, words.mid(2), nowUs() / 1000)) {
        return *reply;
    }
    if (verb == QLatin1String("late")) {
        return late(*d, words);
    }
    const QString value = words[2];
    const bool on = value == QLatin1String("on") || value == QLatin1String("1");
    SimFaults& f = d->faults;
    if (verb == QLatin1String("silent")) {
        f.silent = on;
    } else if (verb == QLatin1String("delay")) {
        f.replyDelayMs = value.toInt();
    } else if (verb == QLatin1String("nocr")) {
        f.noCR = on;
    } else if (verb == QLatin1String("endless")) {
        f.endless = on;
        if (!on) {
            for (auto& p : ports_) {
                p->endlessFromUs = -1;
            }
        }
    } else if (verb == QLatin1String("trickle")) {
        f.trickleMs = value.toInt();
    } else if (verb == QLatin1String("garbage")) {
        f.garbage = on;
    } else if (verb == QLatin1String("dollar")) {
        f.dollarReplies = value.toInt();
    } else if (verb == QLatin1String("reply")) {
        // Bytes no text control line can carry (0xFF, NUL), as hex digits.
        const QByteArray bytes = QByteArray::fromHex(value.toLatin1());
        if (bytes.isEmpty() || bytes.toHex() != value.toLatin1().toLower()) {
            return QStringLiteral("error: usage 'reply ID HEX' (e.g. 4b52ff0d), see --help");
        }
        f.rawReplies.append(bytes);
    } else if (verb == QLatin1String("prefix")) {
        d->forcePrefix = on;
    } else if (verb == QLatin1String("version")) {
        d->version = value;
    } else if (verb == QLatin1String("power")) {
        if (value == QLatin1String("off")) {
            f.silent = true;
        } else {
            f.silent = false;
            d->powerCycle(nowUs() / 1000);
        }
    } else {
        return QStringLiteral("error: unknown control '%1'").arg(verb);
    }
    return QStringLiteral("ok");
}
