#include "link/port_names.h"

#include <QFileInfo>
#include <QStandardPaths>

QString portsFolder() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/nvq-can-setup/ports");
}

QString portDevicePath(int number) {
#ifdef Q_OS_WIN
    return QStringLiteral("COM%1").arg(number);
#else
    const QString link = portsFolder() + QStringLiteral("/com%1").arg(number);
    // A link whose adapter is unplugged still names the user's port: opening it then fails,
    // rather than quietly reaching the serial port the default names.
    const QFileInfo info(link);
    if (info.exists() || info.isSymLink()) {
        return link;
    }
    return QStringLiteral("/dev/ttyS%1").arg(number - 1);
#endif
}
