#include "setup/communication_settings.h"

#include "link/number_form.h"
#include "setup/communication_controls.h"
#include "setup/setup_messages.h"
#include "setup/setup_session.h"

namespace {

QString methodQuestion(CommMethod present, CommMethod wanted) {
    return QStringLiteral("Current Communication is %1.  Are you sure you want change to %2?")
        .arg(methodName(present), methodName(wanted));
}

QString methodChanged(CommMethod method) {
    return QStringLiteral(
               "Communication Method changed to %1.  Store to Flash and power cycle "
               "and use %1 to communicate.")
        .arg(methodName(method));
}

}  // namespace

CommunicationSettings::CommunicationSettings(SetupSession& session, CommunicationControls& controls)
    : session_(session), c_(controls) {}

bool CommunicationSettings::apply() {
    return applyMethod() && applyDeviceId() && applyNodeId() && applySerialBaud() &&
           applyCanBitRate();
}

bool CommunicationSettings::applyMethod() {
    const std::optional<QString> reply = session_.request(QStringLiteral("CM"));
    if (!reply) {
        return false;
    }
    const std::optional<int32_t> code = readInt32(*reply);
    if (!code) {
        session_.unusableReply();
        return false;
    }
    const CommMethod wanted = c_.method();
    const bool known = *code >= 0 && *code <= 2;
    if (!known || *code == static_cast<int>(wanted)) {
        return true;  // nothing to change, or a method this window cannot name
    }
    const auto present = static_cast<CommMethod>(*code);
    if (!session_.confirm(methodQuestion(present, wanted), kMethodTitle)) {
        c_.selectMethod(present);
        return true;
    }
    if (!session_.request(QStringLiteral("CM=%1").arg(static_cast<int>(wanted)))) {
        return false;
    }
    session_.tell(methodChanged(wanted));
    return true;
}

bool CommunicationSettings::applyDeviceId() {
    return applyId({QStringLiteral("DN"), c_.DeviceIDCombo, deviceIdOfName,
                    [](const QString& id) { return QStringLiteral("DN=") + deviceNameFor(id); },
                    kDeviceIdQuestion, kDeviceIdTitle, kDeviceIdSet, kDeviceIdError});
}

bool CommunicationSettings::applyNodeId() {
    return applyId({QStringLiteral("NID"), c_.NodeIDCombo1,
                    [](const QString& reply) { return reply; },
                    [](const QString& id) { return QStringLiteral("NID=") + id; }, kNodeIdQuestion,
                    kNodeIdTitle, kNodeIdSet, kNodeIdError});
}

bool CommunicationSettings::applyId(const IdChange& change) {
    const QString wanted = change.list->currentText();
    const std::optional<QString> reply = session_.request(change.query);
    if (!reply) {
        return false;
    }
    const QString present = change.presentOf(*reply);
    // With nothing selected there is no ID to write: an empty one would reach the device.
    if (wanted.isEmpty() || wanted == present) {
        return true;
    }
    if (!session_.confirm(change.question + wanted + QLatin1Char('?'), change.title)) {
        selectItem(change.list, present);
        return true;
    }
    const std::optional<QString> answer = session_.request(change.commandFor(wanted));
    if (!answer) {
        return false;
    }
    session_.tell(*answer == QLatin1String("OK") ? change.done : change.error);
    return true;
}

bool CommunicationSettings::applySerialBaud() {
    return applyRate(QStringLiteral("DB"), serialBaudCode(c_.baudCombo->currentText()),
                     kSerialBaudTitle);
}

bool CommunicationSettings::applyCanBitRate() {
    return applyRate(QStringLiteral("BR"), canBitRateCode(c_.CANbaudCombo->currentText()),
                     kCanBitRateTitle);
}

bool CommunicationSettings::applyRate(const QString& key, const std::optional<int>& wantedCode,
                                      const char* title) {
    const std::optional<QString> reply = session_.request(key);
    if (!reply) {
        return false;
    }
    const QString present = key + QLatin1Char('=') + *reply;
    if (!wantedCode) {
        return true;  // no rate selected: only the query goes out
    }
    const QString wanted = key + QLatin1Char('=') + QString::number(*wantedCode);
    if (wanted == present || !session_.confirm(kBaudQuestion, title)) {
        return true;
    }
    const std::optional<QString> answer = session_.request(wanted);
    if (!answer) {
        return false;
    }
    session_.tell(*answer == QLatin1String("OK") ? kBaudDone : kBaudError);
    return true;
}
