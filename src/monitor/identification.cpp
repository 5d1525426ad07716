#include "monitor/identification.h"

#include <QStringList>
#include <optional>

#include "link/messages.h"
#include "link/number_form.h"

DeviceIdentification identifyDevice(SerialPort& port, LineState& line, const QString& address) {
    DeviceIdentification id;
    // Each answer or the way the exchange ended; false when identification ends with it.
    const auto ask = [&](const char* command, QString& into) {
        const ExchangeResult r = exchange(port, line, address, QString::fromLatin1(command));
        if (r.status == ExchangeResult::Status::PortFailure) {
            id.end = DeviceIdentification::End::PortFailed;
            id.error = r.error;
            return false;
        }
        if (r.status == ExchangeResult::Status::NoReply) {
            return false;
        }
        into = r.text;
        return true;
    };
    if (!ask("ID", id.identity)) {
        return id;  // Silent unless the line failed
    }
    if (id.identity != QLatin1String(kDeviceIdentity)) {
        id.end = DeviceIdentification::End::OtherDevice;
        return id;
    }
    id.end = DeviceIdentification::End::Failed;
    if (ask("VER", id.version) && ask("DN", id.name)) {
        id.end = DeviceIdentification::End::Identified;
    }
    return id;
}

namespace {

// One exchange of the start-up; the reply, or nothing when the line failed.
std::optional<QString> startUpReply(const IdentifySend& send, const QString& command,
                                    StartUpIdentification& who, bool* answered = nullptr) {
    const ExchangeResult r = send(command);
    if (r.status == ExchangeResult::Status::PortFailure) {
        who.end = StartUpIdentification::End::PortFailed;
        return std::nullopt;
    }
    if (answered) {
        *answered = r.status == ExchangeResult::Status::Reply;
    }
    return r.text;
}

}  // namespace

StartUpIdentification identifyForStartUp(const IdentifySend& send, const IdentifyReply& onReply) {
    StartUpIdentification who;
    // The reply, handed on; nothing when the line failed on the way or while it was shown.
    const auto step = [&](const char* command) -> std::optional<QString> {
        const QString c = QString::fromLatin1(command);
        const std::optional<QString> reply = startUpReply(send, c, who);
        if (!reply) {
            return std::nullopt;
        }
        const bool mustBeNumber = c == QLatin1String("SYNC") || c == QLatin1String("SYNP");
        if (mustBeNumber && !readInt32(*reply)) {
            who.end = StartUpIdentification::End::Unusable;
            return std::nullopt;
        }
        if (!onReply(c, *reply)) {
            who.end = StartUpIdentification::End::PortFailed;
            return std::nullopt;
        }
        return reply;
    };
    const std::optional<QString> identity = step("ID");
    if (!identity) {
        return who;
    }
    who.identity = *identity;
    if (who.identity != QLatin1String(kDeviceIdentity)) {
        who.end = StartUpIdentification::End::OtherDevice;
        return who;
    }
    const std::optional<QString> version = step("VER");
    if (!version || !step("SYNC") || !step("SYNP") || !step("SYNC")) {
        return who;
    }
    who.version = *version;
    const std::optional<QString> name =
        startUpReply(send, QStringLiteral("DN"), who, &who.nameAnswered);
    if (!name) {
        return who;
    }
    who.name = *name;
    who.end = StartUpIdentification::End::Identified;
    return who;
}

QString firmwareWarning(const QString& version) {
    const bool v322 = version == QLatin1String("V322");
    const bool v319 = version == QLatin1String("V319");
    const bool v315 = version == QLatin1String("V315");
    if (!v322 && !v319 && !v315) {
        return QString();
    }
    QStringList lines{
        QStringLiteral("This is an older version of the NVQ-R-TB (%1).").arg(version),
        QStringLiteral("The following operations are not compatible with the Main window of "
                       "this software:"),
        QStringLiteral(" - Deceleration entry field.")};
    if (v319 || v315) {
        lines << QStringLiteral(" - ABS and INC mode ('MM' command).");
    }
    if (v315) {
        lines << QStringLiteral(" - Error Handling in Standalone.")
              << QStringLiteral(" - Non-volatile variables.");
    }
    return lines.join(QLatin1Char('\r'));
}
