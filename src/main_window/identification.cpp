#include "main_window/identification.h"

#include <QStringList>

#include "device/parameter_codes.h"
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

Identification::Identification(CommunicationPanel& comm, SyncPanel& sync)
    : comm_(comm), sync_(sync) {}

bool Identification::startUp(MainLine& m) {
    ConnectionValues& v = m.values;
    try {
        openPort(m.line.port(), v.ComPortNumber, v.Baudrate);
        m.policy.lineOpened();
    } catch (const PortError&) {
        m.policy.portUnavailable();
        return false;
    }
    v.ComPortStatus = true;
    v.ComStatus = true;
    if (!identifyAndRead(m)) {
        return false;
    }
    m.SendReceive(QStringLiteral("VER"));
    // A port failure on the way has shown its messages and closed the port: no polling then.
    return v.ComPortStatus;
}

// Start-up from "ID" to "DN". False when start-up must end: the port failed, or the device
// answered something that cannot be used (then the port-unavailable path has run).
bool Identification::identifyAndRead(MainLine& m) {
    ConnectionValues& v = m.values;
    const QString identity = m.SendReceive(QStringLiteral("ID"));
    if (!v.ComPortStatus) {
        return false;
    }
    showId(m, identity);
    if (identity != QLatin1String(kDeviceIdentity)) {
        v.ComStatus = false;
        m.show([this] { comm_.showNoCommunication(); });
        m.prompter().info(QStringLiteral("No Communication with device!"));
        selectDeviceId(m, v.ComAddress);
        showUnknownDevice(m);
        m.show([this] { sync_.reset(); });
        return true;
    }
    showCommunicationOk(m);
    const QString version = m.SendReceive(QStringLiteral("VER"));
    if (!v.ComPortStatus) {
        return false;  // the port failed: its path has shown "???"
    }
    showVersion(m, version);
    if (!readSyncComparison(m) || !readSyncPosition(m) || !readSyncComparison(m)) {
        return false;
    }
    const QString name = m.SendReceive(QStringLiteral("DN"));
    if (!v.ComPortStatus) {
        return false;
    }
    // The name counts whenever "DN" itself was answered, also after an earlier command of the
    // start-up went unanswered. A silent "DN" names no device: the list shows the ID in use, and
    // polling re-identifies.
    if (!m.policy.lastAnswered()) {
        selectDeviceId(m, v.ComAddress);
    } else if (!selectDeviceId(m, name.mid(3, 5))) {
        m.policy.portUnavailable();
        return false;
    }
    return v.ComPortStatus;
}

bool Identification::readSyncComparison(MainLine& m) {
    const QString reply = m.SendReceive(QStringLiteral("SYNC"));
    if (!m.values.ComPortStatus) {
        return false;
    }
    const auto code = readInt32(reply);
    if (!code) {
        m.policy.portUnavailable();
        return false;
    }
    showComparison(m, *code);
    return true;
}

bool Identification::readSyncPosition(MainLine& m) {
    const QString reply = m.SendReceive(QStringLiteral("SYNP"));
    if (!m.values.ComPortStatus) {
        return false;
    }
    const auto position = readInt32(reply);
    if (!position) {
        m.policy.portUnavailable();
        return false;
    }
    showSyncPosition(m, *position);
    return true;
}

void Identification::SelectedDeviceID_Click(MainLine& m, const QString& id) {
    ConnectionValues& v = m.values;
    listed = id;
    if (!v.ComPortStatus || id == v.ComAddress) {
        return;
    }
    v.ComAddress = id;
    v.ComStatus = true;
    m.show([this, id] {
        if (addressShown) {
            addressShown(id);
        }
    });
    const QString identity = m.SendReceive(QStringLiteral("ID"));
    if (!v.ComPortStatus) {
        return;
    }
    showId(m, identity);
    if (identity != QLatin1String(kOtherDeviceIdentity) &&
        identity != QLatin1String(kDeviceIdentity)) {
        lostDevice(m);
        return;
    }
    showCommunicationOk(m);
    const QString version = m.SendReceive(QStringLiteral("VER"));
    if (!v.ComPortStatus) {
        return;  // the port failed: its path has shown "???" and given the port up
    }
    showVersion(m, version);
    if (const QString warning = firmwareWarning(version); !warning.isEmpty()) {
        m.prompter().info(warning);
    }
    // A reply that is no number leaves the sync display as it was.
    if (const auto code = readInt32(m.SendReceive(QStringLiteral("SYNC")))) {
        showComparison(m, *code);
    }
    if (const auto position = readInt32(m.SendReceive(QStringLiteral("SYNP")))) {
        showSyncPosition(m, *position);
    }
}

void Identification::lostDevice(MainLine& m) {
    ConnectionValues& v = m.values;
    v.ComStatus = false;
    m.show([this] { comm_.showNoCommunication(); });
    m.prompter().info(QStringLiteral("No Communication with the device at address ") +
                      v.ComAddress);
    selectDeviceId(m, v.ComAddress);
    showUnknownDevice(m);
    m.show([this] { sync_.reset(); });
}

bool Identification::selectDeviceId(MainLine& m, const QString& id) {
    if (!deviceIdItems().contains(id)) {
        return false;
    }
    if (id != listed) {
        listed = id;
        m.show([this, id] { comm_.SelectedDeviceID->setCurrentText(id); });
        SelectedDeviceID_Click(m, id);
    }
    return true;
}

void Identification::showId(MainLine& m, const QString& text) {
    m.show([this, text] { comm_.ID->setText(text); });
}

void Identification::showVersion(MainLine& m, const QString& text) {
    m.show([this, text] { comm_.Version->setText(text); });
}

void Identification::showCommunicationOk(MainLine& m) {
    m.show([this] { comm_.showCommunicationOk(); });
}

void Identification::showUnknownDevice(MainLine& m) {
    m.show([this] { comm_.showUnknownDevice(); });
}

void Identification::showComparison(MainLine& m, int code) {
    m.show([this, code] { sync_.showComparison(code); });
}

void Identification::showSyncPosition(MainLine& m, int position) {
    m.show([this, position] { sync_.SyncPos->setText(QString::number(position)); });
}
