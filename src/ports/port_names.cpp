#include "ports/port_names.h"

#include <QFileInfo>
#include <QStandardPaths>

namespace {

QString configFolder() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/nvq-can-setup");
}

}  // namespace

QString portsFolder() {
    return configFolder() + QStringLiteral("/ports");
}

QString adaptersFolder() {
    return configFolder() + QStringLiteral("/adapters");
}

QString defaultPortDevice(int number) {
#ifdef Q_OS_WIN
    return QStringLiteral("COM%1").arg(number);
#else
    return QStringLiteral("/dev/ttyS%1").arg(number - 1);
#endif
}

QString portDevicePath(int number) {
#ifdef Q_OS_WIN
    return defaultPortDevice(number);
#else
    const QString link = portsFolder() + QStringLiteral("/com%1").arg(number);
    // A link whose adapter is unplugged still names the user's port: opening it then fails,
    // rather than quietly reaching the serial port the default names.
    const QFileInfo info(link);
    if (info.exists() || info.isSymLink()) {
        return link;
    }
    return defaultPortDevice(number);
#endif
}
