#pragma once

#include <QList>
#include <QSerialPort>
#include <QString>

#include "ports/device_access.h"

// Why a serial port could not be opened, explained so that the user knows what to do.

enum class OpenFailureKind {
    NotFound,     // the device node is not there (unplugged, or no such port)
    NoAccess,     // the user may not use it
    Busy,         // another program holds it
    NoHardware,   // a built-in port's node with no serial hardware behind it
    BadLockFile,  // something that cannot be a lock file lies where the device's lock file goes
    Other,
};

struct OpenFailure {
    OpenFailureKind kind = OpenFailureKind::Other;
    int number = 0;                       // the COM number
    QString link;                         // the ports folder's comN when COMn is one, else ""
    QString device;                       // the device that was opened
    QString lockFile = QString();         // BadLockFile: the path of what lies there
    QString lockFileProblem = QString();  // BadLockFile: why it cannot be a lock file
};

// The kind of a failed QSerialPort::open() on the device.
OpenFailureKind openFailureKind(QSerialPort::SerialPortError error, const QString& errorString,
                                const QString& device);

// The explanation: one or more lines joined by CR, "" when there is nothing to add to the
// system's description. Asks the system for the facts (who owns the device, who holds it).
QString explainOpenFailure(const OpenFailure& failure);

// The texts of the explanations, from the facts.
QString notFoundHelp(const OpenFailure& failure, const QString& linkTarget);
QString noAccessHelp(const NodeAccess& access);
// strayLockFile: a lock file of the device that names no running program, "" when none.
QString busyHelp(const QString& device, const QList<DeviceHolder>& holders,
                 const QString& strayLockFile = QString());
QString noHardwareHelp(const OpenFailure& failure);
QString badLockFileHelp(const OpenFailure& failure);
