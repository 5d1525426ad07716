#include "setup/parameter_upload.h"

#include "link/number_form.h"
#include "setup/setup_controls.h"
#include "setup/setup_messages.h"
#include "setup/setup_session.h"

ParameterUpload::ParameterUpload(SetupSession& session, SetupControls& controls)
    : session_(session), c_(controls) {}

void ParameterUpload::run() {
    if (!session_.ready()) {
        return;
    }
    // Each stage goes on only while the device answers usefully.
    readIdentity() && readCommunication() && readPolarityAndLimits() && readTexts() && readFlags();
}

bool ParameterUpload::readIdentity() {
    const std::optional<QString> edo = session_.request(QStringLiteral("EDO"));
    if (!edo) {
        return false;
    }
    c_.params.EDOenable->setChecked(*edo == QLatin1String("1"));
    const std::optional<QString> id = session_.request(QStringLiteral("ID"));
    if (!id) {
        return false;
    }
    if (*id != QLatin1String(kDeviceIdentity)) {
        session_.values.ComStatus = false;
        session_.tell(kIdDoesNotMatch + *id);
        return false;
    }
    return true;
}

bool ParameterUpload::readCommunication() {
    const std::optional<int32_t> db = number(QStringLiteral("DB"));
    if (!db) {
        return false;
    }
    if (const auto rate = serialBaudForCode(*db)) {
        selectItem(c_.comm.baudCombo, *rate);
    }
    const std::optional<int32_t> br = number(QStringLiteral("BR"));
    if (!br) {
        return false;
    }
    if (const auto rate = canBitRateForCode(*br)) {
        selectItem(c_.comm.CANbaudCombo, *rate);
    }
    const std::optional<QString> dn = session_.request(QStringLiteral("DN"));
    if (!dn || !selectOrFail(c_.comm.DeviceIDCombo, deviceIdOfName(*dn))) {
        return false;
    }
    const std::optional<QString> nid = session_.request(QStringLiteral("NID"));
    return nid && selectOrFail(c_.comm.NodeIDCombo1, *nid);
}

bool ParameterUpload::readPolarityAndLimits() {
    const std::optional<int32_t> pol = number(QStringLiteral("POL"));
    if (!pol) {
        return false;
    }
    c_.polarity.setWord(*pol);
    const std::optional<int32_t> lca = number(QStringLiteral("LCA"));
    if (!lca) {
        return false;
    }
    c_.params.LCA->setText(QString::number(*lca));
    const std::optional<int32_t> cm = number(QStringLiteral("CM"));
    if (!cm) {
        return false;
    }
    c_.comm.selectMethod(methodFromDevice(*cm));
    return true;
}

bool ParameterUpload::readTexts() {
    for (const auto& p : c_.params.textParameters()) {
        if (!readText(QString::fromLatin1(p.key), p.box)) {
            return false;
        }
    }
    return true;
}

bool ParameterUpload::readFlags() {
    if (!readCheck(QStringLiteral("SL"), c_.params.PosGuardEnable) ||
        !readText(QStringLiteral("DOBOOT"), c_.params.DOBOOT) ||
        !readText(QStringLiteral("EOBOOT"), c_.params.EOBOOT) ||
        !session_.request(QStringLiteral("AR"))) {
        return false;
    }
    const std::optional<QString> edec = session_.request(QStringLiteral("EDEC"));
    if (!edec || edec->startsWith(QLatin1Char('?'))) {
        return false;  // a device without "EDEC" has no "RZ" either: nothing to say
    }
    const std::optional<int32_t> decEnable = readInt32(*edec);
    if (!decEnable) {
        session_.unusableReply();
        return false;
    }
    c_.params.DecEnable->setChecked(*decEnable == 1);
    return readCheck(QStringLiteral("RZ"), c_.params.ReturnZero);
}

std::optional<int32_t> ParameterUpload::number(const QString& key) {
    const std::optional<QString> reply = session_.request(key);
    if (!reply) {
        return std::nullopt;
    }
    const std::optional<int32_t> value = readInt32(*reply);
    if (!value) {
        session_.unusableReply();
    }
    return value;
}

bool ParameterUpload::selectOrFail(QComboBox* list, const QString& item) {
    if (!selectItem(list, item)) {
        session_.unusableReply();
        return false;
    }
    return true;
}

bool ParameterUpload::readText(const QString& key, QLineEdit* box) {
    const std::optional<QString> reply = session_.request(key);
    if (reply) {
        box->setText(*reply);
    }
    return reply.has_value();
}

bool ParameterUpload::readCheck(const QString& key, QCheckBox* box) {
    const std::optional<int32_t> value = number(key);
    if (value) {
        box->setChecked(*value == 1);
    }
    return value.has_value();
}
