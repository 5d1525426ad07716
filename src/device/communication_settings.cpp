#include "device/communication_settings.h"

#include <functional>
#include <optional>

#include "device/device_session.h"
#include "device/parameter_messages.h"
#include "link/number_form.h"

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

// Asks before changing an ID and puts the device's own value back into the set on No.
struct IdChange {
    QString query;
    QString ParameterSet::*field;
    QStringList items;                                  // what the field may hold
    std::function<QString(const QString&)> presentOf;   // the reply -> the present ID
    std::function<QString(const QString&)> commandFor;  // the new ID -> the write
    const char* question;
    const char* title;
    const char* done;
    const char* error;
};

class Settings {
  public:
    Settings(DeviceSession& session, ParameterSet& set) : session_(session), s_(set) {}

    bool apply() {
        return applyMethod() && applyDeviceId() && applyNodeId() &&
               applyRate(QStringLiteral("DB"), serialBaudCode(s_.serialBaud), kSerialBaudTitle) &&
               applyRate(QStringLiteral("BR"), canBitRateCode(s_.canBitRate), kCanBitRateTitle);
    }

  private:
    bool applyMethod() {
        const std::optional<QString> reply = session_.request(QStringLiteral("CM"));
        if (!reply) {
            return false;
        }
        const std::optional<int32_t> code = readInt32(*reply);
        if (!code) {
            session_.unusableReply();
            return false;
        }
        const CommMethod wanted = s_.method;
        const bool known = *code >= 0 && *code <= 2;
        if (!known || *code == static_cast<int>(wanted)) {
            return true;  // nothing to change, or a method this program cannot name
        }
        const auto present = static_cast<CommMethod>(*code);
        if (!session_.confirm(methodQuestion(present, wanted), kMethodTitle)) {
            s_.method = present;
            return true;
        }
        if (!session_.request(QStringLiteral("CM=%1").arg(static_cast<int>(wanted)))) {
            return false;
        }
        session_.tell(methodChanged(wanted));
        return true;
    }

    bool applyDeviceId() {
        return applyId({QStringLiteral("DN"), &ParameterSet::deviceId, deviceIdItems(),
                        deviceIdOfName,
                        [](const QString& id) { return QStringLiteral("DN=") + deviceNameFor(id); },
                        kDeviceIdQuestion, kDeviceIdTitle, kDeviceIdSet, kDeviceIdError});
    }

    bool applyNodeId() {
        return applyId({QStringLiteral("NID"), &ParameterSet::nodeId, nodeIdItems(),
                        [](const QString& reply) { return reply; },
                        [](const QString& id) { return QStringLiteral("NID=") + id; },
                        kNodeIdQuestion, kNodeIdTitle, kNodeIdSet, kNodeIdError});
    }

    bool applyId(const IdChange& change) {
        const QString wanted = s_.*change.field;
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
            // The device's own ID, when it is one the set can hold.
            if (change.items.contains(present)) {
                s_.*change.field = present;
            }
            return true;
        }
        const std::optional<QString> answer = session_.request(change.commandFor(wanted));
        if (!answer) {
            return false;
        }
        session_.tell(*answer == QLatin1String("OK") ? change.done : change.error);
        return true;
    }

    // Writes "<key>=<code>" after asking, when the device's code differs from the wanted one.
    bool applyRate(const QString& key, const std::optional<int>& wantedCode, const char* title) {
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

    DeviceSession& session_;
    ParameterSet& s_;
};

}  // namespace

bool applyCommunicationSettings(DeviceSession& session, ParameterSet& set) {
    return Settings(session, set).apply();
}
