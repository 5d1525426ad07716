#pragma once

#include <QList>
#include <QString>
#include <optional>

// What the system tells about who may use a device node and who holds it. Every value read from
// the system (the node, the user and group databases, /proc, lock files) is checked before use;
// what cannot be read is simply not known.

// Who may use a device node, and whether this program's user is among them.
struct NodeAccess {
    QString device;
    QString mode;                // as ls shows it: "crw-rw----"
    QString owner;               // user name, or the number when the database has none
    QString group;               // group name, or the number
    bool groupMayUse = false;    // the group may read and write it
    QString user;                // this program's user
    bool userInGroup = false;    // the group database has the user in the group
    bool loginHasGroup = false;  // this program runs with the group (a login made since)

    bool operator==(const NodeAccess&) const = default;
};
std::optional<NodeAccess> nodeAccess(const QString& device);

// A program that holds a device open.
struct DeviceHolder {
    qint64 pid = 0;
    QString name;  // its command name; empty when it cannot be read

    bool operator==(const DeviceHolder&) const = default;
};
// The other programs that hold the device, as far as this user may see: the one named by a
// serial lock file (LCK..ttyUSB0), then those with the device among their open files in /proc.
// At most `most` of them.
QList<DeviceHolder> deviceHolders(const QString& device, int most = 3);
// A lock file of the device that names no running process (its program is gone, or it names
// none at all); "" when there is none. Such a file still keeps other programs off the device
// when they may not remove it.
QString strayLockFile(const QString& device);
