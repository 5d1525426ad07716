#include "main_window/identification.h"

#include <QStringList>

#include "device/parameter_codes.h"
#include "link/number_form.h"
#include "main_window/communication_panel.h"
#include "main_window/main_session.h"
#include "main_window/sync_panel.h"
#include "monitor/identification.h"
#include "widgets/prompter.h"

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

// Start-up from "ID" to "DN", the device layer's sequence shown as it comes. False when start-up
// must end: the port failed, or the device answered something that cannot be used (then the
// port-unavailable path has run).
bool Identification::identifyAndRead(MainLine& m) {
    ConnectionValues& v = m.values;
    const auto send = [&m](const QString& command) { return m.exchangeResult(command); };
    const auto shown = [this, &m](const QString& command, const QString& reply) {
        if (command == QLatin1String("ID")) {
            showId(m, reply);
            if (reply == QLatin1String(kDeviceIdentity)) {
                showCommunicationOk(m);
            }
        } else if (command == QLatin1String("VER")) {
            showVersion(m, reply);
        } else if (command == QLatin1String("SYNC")) {
            showComparison(m, *readInt32(reply));
        } else if (command == QLatin1String("SYNP")) {
            showSyncPosition(m, *readInt32(reply));
        }
        return m.values.ComPortStatus;
    };
    const StartUpIdentification who = identifyForStartUp(send, shown);
    switch (who.end) {
        case StartUpIdentification::End::PortFailed:
            return false;  // the port failed: its path has shown "???"
        case StartUpIdentification::End::Unusable:
            m.policy.portUnavailable();
            return false;
        case StartUpIdentification::End::OtherDevice:
            v.ComStatus = false;
            m.show([this] { comm_.showNoCommunication(); });
            m.prompter().info(QStringLiteral("No Communication with device!"));
            selectDeviceId(m, v.ComAddress);
            showUnknownDevice(m);
            m.show([this] { sync_.reset(); });
            return true;
        case StartUpIdentification::End::Identified:
            break;
    }
    // The name counts whenever "DN" itself was answered, also after an earlier command of the
    // start-up went unanswered. A silent "DN" names no device: the list shows the ID in use, and
    // polling re-identifies.
    if (!who.nameAnswered) {
        selectDeviceId(m, v.ComAddress);
    } else if (!selectDeviceId(m, who.name.mid(3, 5))) {
        m.policy.portUnavailable();
        return false;
    }
    return v.ComPortStatus;
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
