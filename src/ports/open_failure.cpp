#include "ports/open_failure.h"

#include <QFileInfo>
#include <QStringList>
#include <cerrno>

#include "files/visible_text.h"

namespace {

const QString kPickAnother = QStringLiteral(
    "Pick the COM port of your adapter: the list shows what each one reaches, and \"Ports...\" "
    "lists the adapters.");

QString lines(const QStringList& parts) {
    return parts.join(QLatin1Char('\r'));
}

QString holderText(const DeviceHolder& holder) {
    return holder.name.isEmpty() ? QStringLiteral("process %1").arg(holder.pid)
                                 : QStringLiteral("%1 (process %2)")
                                       .arg(visibleText(holder.name), QString::number(holder.pid));
}

// The command that removes what lies at the path, whatever it is; in a lock folder that only
// its owner or root may do.
QString removeCommand(const QString& path) {
    return QStringLiteral("sudo rm -r ") + visibleShellWord(path);
}

}  // namespace

OpenFailureKind openFailureKind(QSerialPort::SerialPortError error, const QString& errorString,
                                const QString& device) {
    switch (error) {
        case QSerialPort::DeviceNotFoundError:
            return OpenFailureKind::NotFound;
        case QSerialPort::PermissionError:
            // QSerialPort reports a refused open (EACCES), a port held exclusively by another
            // program (EBUSY) and another program's lock file all as a permission error.
            return errorString == qt_error_string(EACCES) || errorString == qt_error_string(EPERM)
                       ? OpenFailureKind::NoAccess
                       : OpenFailureKind::Busy;
        default:
            break;
    }
    // A built-in port's node exists for every possible port; one without a chip behind it fails
    // to open with an I/O error.
    if (device.startsWith(QLatin1String("/dev/ttyS")) && errorString == qt_error_string(EIO)) {
        return OpenFailureKind::NoHardware;
    }
    return OpenFailureKind::Other;
}

QString notFoundHelp(const OpenFailure& failure, const QString& linkTarget) {
    if (!failure.link.isEmpty()) {
        return lines({QStringLiteral("COM%1 leads to %2, which is not there: the adapter is not "
                                     "plugged in.")
                          .arg(QString::number(failure.number), visibleText(linkTarget)),
                      QStringLiteral("Plug it in, or pick another COM port.")});
    }
    return lines({QStringLiteral("COM%1 is %2, which does not exist on this computer.")
                      .arg(QString::number(failure.number), visibleText(failure.device)),
                  kPickAnother});
}

QString noAccessHelp(const NodeAccess& a) {
    if (a.groupMayUse && !a.userInGroup) {
        return lines(
            {QStringLiteral("You may not use %1: it belongs to the group %2, and your user %3 is "
                            "not in that group.")
                 .arg(visibleText(a.device), a.group, a.user),
             QStringLiteral("To join it, run:  sudo usermod -aG %1 %2").arg(a.group, a.user),
             QStringLiteral("then log out and log in again (a new group counts from the next "
                            "login).")});
    }
    if (a.groupMayUse && !a.loginHasGroup) {
        return lines({QStringLiteral("You may not use %1 yet: your user %2 is in the group %3, but "
                                     "this login started before that.")
                          .arg(visibleText(a.device), a.user, a.group),
                      QStringLiteral("Log out and log in again (or restart the computer).")});
    }
    return lines({QStringLiteral("You may not use %1 (%2, owner %3, group %4).")
                      .arg(visibleText(a.device), a.mode, a.owner, a.group),
                  QStringLiteral("Ask the administrator of this computer for access to it.")});
}

QString busyHelp(const QString& device, const QList<DeviceHolder>& holders,
                 const QString& strayLockFile) {
    if (holders.isEmpty() && !strayLockFile.isEmpty()) {
        return lines({QStringLiteral("%1 is locked by the file %2, which names no running program.")
                          .arg(visibleText(device), visibleText(strayLockFile)),
                      QStringLiteral("If no other program uses the port, remove that file and try "
                                     "again:  %1")
                          .arg(removeCommand(strayLockFile))});
    }
    if (holders.isEmpty()) {
        return lines({QStringLiteral("%1 is in use by another program.").arg(visibleText(device)),
                      QStringLiteral("Close that program and try again.")});
    }
    QStringList names;
    bool modemManager = false;
    for (const DeviceHolder& h : holders) {
        names << holderText(h);
        modemManager = modemManager || h.name == QLatin1String("ModemManager");
    }
    QStringList text{QStringLiteral("%1 is in use by another program: %2.")
                         .arg(visibleText(device), names.join(QStringLiteral(", "))),
                     QStringLiteral("Close that program and try again.")};
    if (modemManager) {
        text << QStringLiteral(
            "ModemManager looks at every new modem-like port for a while; if it keeps this one, "
            "stop it with:  sudo systemctl stop ModemManager");
    }
    return lines(text);
}

QString noHardwareHelp(const OpenFailure& failure) {
    return lines({QStringLiteral("COM%1 is %2, a serial port with no hardware behind it.")
                      .arg(QString::number(failure.number), visibleText(failure.device)),
                  kPickAnother});
}

QString badLockFileHelp(const OpenFailure& failure) {
    return lines(
        {QStringLiteral("%1 is no lock file: %2. Serial programs lock %3 with a small ordinary "
                        "file of that name; while this one is there, the port is not opened.")
             .arg(visibleText(failure.lockFile), failure.lockFileProblem,
                  visibleText(failure.device)),
         QStringLiteral("Remove it and try again:  %1").arg(removeCommand(failure.lockFile))});
}

QString explainOpenFailure(const OpenFailure& failure) {
    switch (failure.kind) {
        case OpenFailureKind::NotFound:
            return notFoundHelp(failure, QFileInfo(failure.link).isSymLink()
                                             ? QFileInfo(failure.link).symLinkTarget()
                                             : failure.link);
        case OpenFailureKind::NoAccess:
            if (const auto access = nodeAccess(failure.device)) {
                return noAccessHelp(*access);
            }
            return QString();
        case OpenFailureKind::Busy:
            return busyHelp(failure.device, deviceHolders(failure.device),
                            strayLockFile(failure.device));
        case OpenFailureKind::NoHardware:
            return noHardwareHelp(failure);
        case OpenFailureKind::BadLockFile:
            return badLockFileHelp(failure);
        case OpenFailureKind::Other:
            break;
    }
    return QString();
}
