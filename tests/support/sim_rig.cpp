#include "support/sim_rig.h"

#include "support/engine_settle.h"

SimRig::SimRig() = default;

SimDevice& SimRig::addDevice(int port, int id, int baud) {
    return hub.addPort(port).addDevice(id, baud);
}

WindowServices SimRig::services() {
    return {[this] { return std::make_unique<SimPort>(hub); },
            &prompter,
            &modal,
            nullptr,
            [this] { return hub.nowMs(); },
            QString()};
}

QStringList SimRig::takeLines(int port) {
    settleEngines();
    const QStringList lines = hub.lines(port);
    hub.clearLines();
    return lines;
}

QStringList framed(const QString& address, const QStringList& commands) {
    QStringList lines;
    for (const QString& c : commands) {
        lines << "@" + address + c;
    }
    return lines;
}
