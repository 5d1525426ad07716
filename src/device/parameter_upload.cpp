#include "device/parameter_upload.h"

#include "device/device_session.h"
#include "device/parameter_messages.h"
#include "link/number_form.h"

namespace {

// One run of the upload: each stage goes on only while the device answers usefully.
class Upload {
  public:
    Upload(DeviceSession& session, ParameterSet& set) : session_(session), s_(set) {}

    UploadResult run() {
        if (!session_.ready()) {
            return result_;
        }
        result_.end = UploadEnd::Failed;
        if (readIdentity() && readCommunication() && readPolarityAndLimits() && readTexts() &&
            readFlags()) {
            result_.end = UploadEnd::Complete;
        }
        return result_;
    }

  private:
    bool readIdentity() {
        const std::optional<QString> edo = request(QStringLiteral("EDO"));
        if (!edo) {
            return false;
        }
        s_.edoEnable = *edo == QLatin1String("1");
        took("EDO");
        const std::optional<QString> id = request(QStringLiteral("ID"));
        if (!id) {
            return false;
        }
        if (*id != QLatin1String(kDeviceIdentity)) {
            session_.giveUp(kIdDoesNotMatch + *id);
            return false;
        }
        return true;
    }

    bool readCommunication() {
        const std::optional<int32_t> db = number(QStringLiteral("DB"));
        if (!db) {
            return false;
        }
        if (const auto rate = serialBaudForCode(*db)) {
            s_.serialBaud = *rate;
            took("DB");
        }
        const std::optional<int32_t> br = number(QStringLiteral("BR"));
        if (!br) {
            return false;
        }
        if (const auto rate = canBitRateForCode(*br)) {
            s_.canBitRate = *rate;
            took("BR");
        }
        const std::optional<QString> dn = request(QStringLiteral("DN"));
        if (!dn || !item(deviceIdItems(), deviceIdOfName(*dn), s_.deviceId, "DN")) {
            return false;
        }
        const std::optional<QString> nid = request(QStringLiteral("NID"));
        return nid && item(nodeIdItems(), *nid, s_.nodeId, "NID");
    }

    bool readPolarityAndLimits() {
        const std::optional<int32_t> pol = number(QStringLiteral("POL"));
        if (!pol) {
            return false;
        }
        s_.polarity = *pol;
        took("POL");
        const std::optional<int32_t> lca = number(QStringLiteral("LCA"));
        if (!lca) {
            return false;
        }
        s_.LCA = QString::number(*lca);
        took("LCA");
        const std::optional<int32_t> cm = number(QStringLiteral("CM"));
        if (!cm) {
            return false;
        }
        s_.method = methodFromDevice(*cm);
        took("CM");
        return true;
    }

    bool readTexts() {
        for (const auto& [key, field] : kTextParameters) {
            if (!readText(key, field)) {
                return false;
            }
        }
        return true;
    }

    bool readFlags() {
        if (!readCheck("SL", s_.posGuardEnable) || !readText("DOBOOT", &ParameterSet::doBoot) ||
            !readText("EOBOOT", &ParameterSet::eoBoot) || !request(QStringLiteral("AR"))) {
            return false;
        }
        const std::optional<QString> edec = request(QStringLiteral("EDEC"));
        if (!edec) {
            return false;
        }
        if (edec->startsWith(QLatin1Char('?'))) {
            // A device without "EDEC" has no "RZ" either: nothing to say.
            result_.end = UploadEnd::WithoutDeceleration;
            return false;
        }
        const std::optional<int32_t> decEnable = readInt32(*edec);
        if (!decEnable) {
            session_.unusableReply();
            return false;
        }
        s_.decEnable = *decEnable == 1;
        took("EDEC");
        return readCheck("RZ", s_.returnZero);
    }

    std::optional<QString> request(const QString& key) { return session_.request(key); }

    // The reply read as a whole number; nothing after a failed query or (with
    // "Communication Error") a reply that is no number.
    std::optional<int32_t> number(const QString& key) {
        const std::optional<QString> reply = request(key);
        if (!reply) {
            return std::nullopt;
        }
        const std::optional<int32_t> value = readInt32(*reply);
        if (!value) {
            session_.unusableReply();
        }
        return value;
    }

    // An item of a list; "Communication Error" when the list has no such item.
    bool item(const QStringList& items, const QString& text, QString& field, const char* key) {
        if (!items.contains(text)) {
            session_.unusableReply();
            return false;
        }
        field = text;
        took(key);
        return true;
    }

    bool readText(const char* key, QString ParameterSet::*field) {
        const std::optional<QString> reply = request(QString::fromLatin1(key));
        if (reply) {
            s_.*field = *reply;
            took(key);
        }
        return reply.has_value();
    }

    bool readCheck(const char* key, bool& field) {
        const std::optional<int32_t> value = number(QString::fromLatin1(key));
        if (value) {
            field = *value == 1;
            took(key);
        }
        return value.has_value();
    }

    void took(const char* key) { result_.taken << QString::fromLatin1(key); }

    DeviceSession& session_;
    ParameterSet& s_;
    UploadResult result_;
};

}  // namespace

UploadResult uploadParameters(DeviceSession& session, ParameterSet& set) {
    return Upload(session, set).run();
}

QStringList uploadQueries() {
    QStringList keys{"EDO", "ID", "DB", "BR", "DN", "NID", "POL", "LCA", "CM"};
    for (const auto& t : kTextParameters) {
        keys << QString::fromLatin1(t.key);
    }
    return keys + QStringList{"SL", "DOBOOT", "EOBOOT", "AR", "EDEC", "RZ"};
}
