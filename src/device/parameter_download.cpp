#include "device/parameter_download.h"

#include "device/communication_settings.h"
#include "device/device_session.h"
#include "device/parameter_codes.h"
#include "device/parameter_messages.h"

namespace {

bool sendAll(DeviceSession& session, const QStringList& commands) {
    for (const QString& command : commands) {
        if (!session.request(command)) {
            return false;
        }
    }
    return true;
}

}  // namespace

DownloadEnd downloadParameters(DeviceSession& session, ParameterSet& set) {
    if (!session.ready()) {
        return DownloadEnd::Refused;
    }
    if (!sendAll(session, leadingCommands(set)) || !applyCommunicationSettings(session, set) ||
        !sendAll(session, trailingCommands(set))) {
        return DownloadEnd::Failed;
    }
    session.tell(kDownloadDone);
    return DownloadEnd::Done;
}

QStringList leadingCommands(const ParameterSet& s) {
    // Texts go out exactly as they stand: the device judges its own ranges.
    QStringList commands{
        QStringLiteral("SR=0"),
        QStringLiteral("ABORT"),
        QStringLiteral("EDO=") + flagText(s.edoEnable),
        QStringLiteral("POL=") + QString::number(polarityWord(polarityFromWord(s.polarity))),
        QStringLiteral("RT=") + flagText(s.RT),
        QStringLiteral("LCA=") + s.LCA,
        QStringLiteral("SL=") + flagText(s.posGuardEnable),
    };
    for (const auto& t : kTextParameters) {
        commands << QString::fromLatin1(t.key) + QLatin1Char('=') + s.*t.field;
    }
    return commands;
}

QStringList trailingCommands(const ParameterSet& s) {
    return {QStringLiteral("DOBOOT=") + s.doBoot, QStringLiteral("EOBOOT=") + s.eoBoot,
            QStringLiteral("EDEC=") + flagText(s.decEnable),
            QStringLiteral("RZ=") + flagText(s.returnZero)};
}
