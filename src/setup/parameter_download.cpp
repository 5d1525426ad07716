#include "setup/parameter_download.h"

#include "setup/communication_settings.h"
#include "setup/setup_controls.h"
#include "setup/setup_messages.h"
#include "setup/setup_session.h"

namespace {

QString flag(const QCheckBox* box) {
    return box->isChecked() ? QStringLiteral("1") : QStringLiteral("0");
}

}  // namespace

ParameterDownload::ParameterDownload(SetupSession& session, SetupControls& controls)
    : session_(session), c_(controls) {}

void ParameterDownload::run() {
    if (!session_.ready()) {
        return;
    }
    CommunicationSettings communication(session_, c_.comm);
    if (sendAll(leadingCommands()) && communication.apply() && sendAll(trailingCommands())) {
        session_.tell(kDownloadDone);
    }
}

QStringList ParameterDownload::leadingCommands() const {
    const ParameterControls& p = c_.params;
    // Text boxes go out exactly as typed: the device judges its own ranges.
    QStringList commands{
        QStringLiteral("SR=0"),
        QStringLiteral("ABORT"),
        QStringLiteral("EDO=") + flag(p.EDOenable),
        QStringLiteral("POL=") + QString::number(c_.polarity.word()),
        QStringLiteral("RT=") + flag(c_.comm.RT),
        QStringLiteral("LCA=") + p.LCA->text(),
        QStringLiteral("SL=") + flag(p.PosGuardEnable),
    };
    for (const auto& t : p.textParameters()) {
        commands << QString::fromLatin1(t.key) + QLatin1Char('=') + t.box->text();
    }
    return commands;
}

QStringList ParameterDownload::trailingCommands() const {
    const ParameterControls& p = c_.params;
    return {
        QStringLiteral("DOBOOT=") + p.DOBOOT->text(), QStringLiteral("EOBOOT=") + p.EOBOOT->text(),
        QStringLiteral("EDEC=") + flag(p.DecEnable), QStringLiteral("RZ=") + flag(p.ReturnZero)};
}

bool ParameterDownload::sendAll(const QStringList& commands) {
    for (const QString& command : commands) {
        if (!session_.request(command)) {
            return false;
        }
    }
    return true;
}
