#include "monitor/status_cycle.h"

#include "link/messages.h"
#include "link/number_form.h"

namespace {

constexpr int kPollSteps = 8;

}  // namespace

QStringList pollGroup(int step) {
    switch (step) {
        case 2:
            return {"DX", "PS"};
        case 3:
            return {"LTP", "LTE"};
        case 4:
            return {"LTS", "SYNS", "CUR"};
        case 5:
            return {"MST", "SLS"};
        case 6:
            return {"DI", "DO"};
        case 8:
            return {"SCV", "EO", "MM"};
        default:
            return {};
    }
}

StatusCycle::StatusCycle(SerialPort& port, LineState& line, const QString& address)
    : send_([&port, &line, address](const QString& command, const ExchangeOptions& options) {
          return exchange(port, line, address, command, options);
      }) {}

StatusCycle::StatusCycle(Send send) : send_(std::move(send)) {}

bool StatusCycle::shown(const QString& command, const QString& reply) {
    return !onReply || onReply(command, reply);
}

StatusCycle::Tick StatusCycle::tick() {
    if (pollStep < 1 || pollStep > kPollSteps) {
        pollStep = 1;
    }
    const Tick result = runGroups(pollStep, pollStep);
    // A reply that is no number ends the tick but not the rotation, as in the main window.
    if (result != Tick::PortFailed && result != Tick::StillLost && result != Tick::Reidentified) {
        pollStep = pollStep % kPollSteps + 1;
    }
    return result;
}

StatusCycle::Tick StatusCycle::readAll() {
    return runGroups(1, kPollSteps);
}

StatusCycle::Tick StatusCycle::runGroups(int firstStep, int lastStep) {
    asked.clear();
    replies.clear();
    lostThisTick_ = false;
    if (!communicating) {
        return reidentify();
    }
    const std::optional<QString> ar = send(QStringLiteral("AR"));
    if (!ar) {
        return Tick::PortFailed;
    }
    arMode = *ar == QLatin1String("1");
    QStringList commands{"EX", "PX"};
    for (int step = firstStep; step <= lastStep; ++step) {
        commands << pollGroup(step);
    }
    for (const QString& command : commands) {
        const Outcome outcome = query(command);
        if (outcome == Outcome::PortLost) {
            return Tick::PortFailed;
        }
        if (outcome == Outcome::EndTick) {
            break;
        }
    }
    return lostThisTick_ ? Tick::Lost : Tick::Polled;
}

StatusCycle::Tick StatusCycle::reidentify() {
    const std::optional<QString> id = send(QStringLiteral("ID"));
    if (!id || !shown(QStringLiteral("ID"), *id)) {
        return Tick::PortFailed;
    }
    if (*id != QLatin1String(kDeviceIdentity)) {
        return Tick::StillLost;
    }
    identity = *id;
    communicating = true;
    const std::optional<QString> ver = send(QStringLiteral("VER"));
    if (!ver || !shown(QStringLiteral("VER"), *ver)) {
        return Tick::PortFailed;
    }
    version = *ver;
    if (!send(QStringLiteral("VER"))) {
        return Tick::PortFailed;
    }
    return Tick::Reidentified;
}

StatusCycle::Outcome StatusCycle::query(const QString& command) {
    for (int repeats = 0;; ++repeats) {
        const std::optional<QString> reply = send(command);
        if (!reply) {
            return Outcome::PortLost;
        }
        if (!reply->startsWith(QLatin1Char('$'))) {
            if (!show(command, *reply)) {
                return Outcome::EndTick;
            }
            return shown(command, *reply) ? Outcome::Next : Outcome::PortLost;
        }
        if (repeats == kDollarRepeats) {
            return Outcome::Next;
        }
    }
}

std::optional<QString> StatusCycle::send(const QString& command) {
    const ExchangeResult r = send_(command, {arMode, arMode ? 2 : 1});
    asked << command;
    switch (r.status) {
        case ExchangeResult::Status::Reply:
            replies << r.text;
            return r.text;
        case ExchangeResult::Status::NoReply:
            replies << QStringLiteral("0");
            if (communicating) {
                lostThisTick_ = true;
            }
            communicating = false;
            return QStringLiteral("0");
        case ExchangeResult::Status::PortFailure:
            replies << QString();
            error_ = r.error;
            return std::nullopt;
    }
    return std::nullopt;
}

// Writes the reply into the status; false when it had to be a number and is not.
bool StatusCycle::show(const QString& command, const QString& reply) {
    DeviceStatus& s = status;
    const auto text = [&reply](std::optional<QString>& field) {
        field = reply;
        return true;
    };
    if (command == QLatin1String("EX"))
        return text(s.encoder);
    if (command == QLatin1String("PX"))
        return text(s.position);
    if (command == QLatin1String("DX"))
        return text(s.delta);
    if (command == QLatin1String("PS"))
        return text(s.speed);
    if (command == QLatin1String("LTP"))
        return text(s.latchPosition);
    if (command == QLatin1String("LTE"))
        return text(s.latchEncoder);
    const std::optional<int32_t> n = readInt32(reply);
    if (!n) {
        return false;
    }
    if (command == QLatin1String("LTS")) {
        s.latch = decodeLatchState(*n);
    } else if (command == QLatin1String("SYNS")) {
        s.sync = syncStateText(*n);
    } else if (command == QLatin1String("CUR")) {
        s.current = *n;
    } else if (command == QLatin1String("MST")) {
        s.motion = decodeMotionStatus(*n);
    } else if (command == QLatin1String("SLS")) {
        if (const auto t = posGuardText(*n)) {
            s.posGuard = *t;
        }
    } else if (command == QLatin1String("DI")) {
        s.inputs = inputLamps(*n);
    } else if (command == QLatin1String("DO")) {
        s.outputs = outputLamps(*n);
    } else if (command == QLatin1String("SCV")) {
        s.sCurve = flagOn(*n);
    } else if (command == QLatin1String("EO")) {
        s.enabled = flagOn(*n);
    } else if (command == QLatin1String("MM")) {
        s.moveMode = moveModeText(*n);
    }
    return true;
}
