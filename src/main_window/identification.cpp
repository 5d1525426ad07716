#include "main_window/identification.h"

#include <QStringList>

#include "link/number_form.h"
#include "main_window/communication_panel.h"
#include "main_window/main_session.h"
#include "main_window/sync_panel.h"
#include "widgets/prompter.h"

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

Identification::Identification(MainSession& session, CommunicationPanel& comm, SyncPanel& sync,
                               Prompter& prompter)
    : session_(session), comm_(comm), sync_(sync), prompter_(prompter) {}

bool Identification::startUp() {
    ConnectionValues& v = session_.values;
    try {
        openPort(session_.port(), v.ComPortNumber, v.Baudrate);
        session_.policy().lineOpened();
    } catch (const PortError&) {
        session_.policy().portUnavailable();
        return false;
    }
    v.ComPortStatus = true;
    v.ComStatus = true;
    if (!identifyAndRead()) {
        return false;
    }
    session_.SendReceive(QStringLiteral("VER"));
    // A port failure on the way has shown its messages and closed the port: no polling then.
    return v.ComPortStatus;
}

// Start-up from "ID" to "DN". False when start-up must end: the port failed, or the device
// answered something that cannot be used (then the port-unavailable path has run).
bool Identification::identifyAndRead() {
    ConnectionValues& v = session_.values;
    const QString identity = session_.SendReceive(QStringLiteral("ID"));
    if (!v.ComPortStatus) {
        return false;
    }
    comm_.ID->setText(identity);
    if (identity != QLatin1String(kDeviceIdentity)) {
        v.ComStatus = false;
        comm_.showNoCommunication();
        prompter_.info(QStringLiteral("No Communication with device!"));
        selectDeviceId(v.ComAddress);
        comm_.showUnknownDevice();
        sync_.reset();
        return true;
    }
    comm_.showCommunicationOk();
    const QString version = session_.SendReceive(QStringLiteral("VER"));
    if (!v.ComPortStatus) {
        return false;  // the port failed: its path has shown "???"
    }
    comm_.Version->setText(version);
    if (!readSyncComparison() || !readSyncPosition() || !readSyncComparison()) {
        return false;
    }
    const QString name = session_.SendReceive(QStringLiteral("DN"));
    if (!v.ComPortStatus) {
        return false;
    }
    // The name counts whenever "DN" itself was answered, also after an earlier command of the
    // start-up went unanswered. A silent "DN" names no device: the list shows the ID in use, and
    // polling re-identifies.
    if (!session_.policy().lastAnswered()) {
        selectDeviceId(v.ComAddress);
    } else if (!selectDeviceId(name.mid(3, 5))) {
        session_.policy().portUnavailable();
        return false;
    }
    return v.ComPortStatus;
}

bool Identification::readSyncComparison() {
    const QString reply = session_.SendReceive(QStringLiteral("SYNC"));
    if (!session_.values.ComPortStatus) {
        return false;
    }
    const auto code = readInt32(reply);
    if (!code) {
        session_.policy().portUnavailable();
        return false;
    }
    sync_.showComparison(*code);
    return true;
}

bool Identification::readSyncPosition() {
    const QString reply = session_.SendReceive(QStringLiteral("SYNP"));
    if (!session_.values.ComPortStatus) {
        return false;
    }
    const auto position = readInt32(reply);
    if (!position) {
        session_.policy().portUnavailable();
        return false;
    }
    sync_.SyncPos->setText(QString::number(*position));
    return true;
}

void Identification::SelectedDeviceID_Click() {
    ConnectionValues& v = session_.values;
    if (!v.ComPortStatus) {
        return;
    }
    const QString id = comm_.SelectedDeviceID->currentText();
    if (id == v.ComAddress) {
        return;
    }
    v.ComAddress = id;
    v.ComStatus = true;
    const QString identity = session_.SendReceive(QStringLiteral("ID"));
    if (!v.ComPortStatus) {
        return;
    }
    comm_.ID->setText(identity);
    if (identity != QLatin1String(kOtherDeviceIdentity) &&
        identity != QLatin1String(kDeviceIdentity)) {
        lostDevice();
        return;
    }
    comm_.showCommunicationOk();
    const QString version = session_.SendReceive(QStringLiteral("VER"));
    if (!v.ComPortStatus) {
        return;  // the port failed: its path has shown "???" and given the port up
    }
    comm_.Version->setText(version);
    if (const QString warning = firmwareWarning(version); !warning.isEmpty()) {
        prompter_.info(warning);
    }
    // A reply that is no number leaves the sync display as it was.
    if (const auto code = readInt32(session_.SendReceive(QStringLiteral("SYNC")))) {
        sync_.showComparison(*code);
    }
    if (const auto position = readInt32(session_.SendReceive(QStringLiteral("SYNP")))) {
        sync_.SyncPos->setText(QString::number(*position));
    }
}

void Identification::lostDevice() {
    ConnectionValues& v = session_.values;
    v.ComStatus = false;
    comm_.showNoCommunication();
    prompter_.info(QStringLiteral("No Communication with the device at address ") + v.ComAddress);
    selectDeviceId(v.ComAddress);
    comm_.showUnknownDevice();
    sync_.reset();
}

bool Identification::selectDeviceId(const QString& id) {
    const int index = comm_.SelectedDeviceID->findText(id, Qt::MatchExactly);
    if (index < 0) {
        return false;
    }
    if (index != comm_.SelectedDeviceID->currentIndex()) {
        comm_.SelectedDeviceID->setCurrentIndex(index);
        SelectedDeviceID_Click();
    }
    return true;
}
