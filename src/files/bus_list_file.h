#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>

// The devices the bus window lists for one port, kept in a file of their own beside the
// settings file: one two-digit ID a line ("05"), each line ended by CR LF, in ascending order.

// "nvq-can-bus-COM3.txt" for port 3.
QString busListFileName(int comPortNumber);

// The file holds at most 99 IDs of four bytes each; anything larger is not such a file.
inline constexpr qint64 kBusListMaxBytes = 99 * 4;

struct BusList {
    enum class Outcome { Read, Missing, Refused };
    Outcome outcome = Outcome::Missing;
    QStringList ids;  // Read: the IDs, as the file lists them
    QString problem;  // Refused: why, in a few words ("line 2 is not a device ID 01-99")
};

// The IDs the bytes list (none for no bytes: every device was removed); Refused with the reason
// at the first line that is not a device ID or at an ID listed twice. LF alone ends a line too;
// the last line may lack its end.
BusList busListFromBytes(const QByteArray& bytes);
QByteArray busListContent(const QStringList& ids);

// Reads the file to the cap, never following a link or blocking on a pipe.
BusList readBusList(const QString& path);
// Replaces the file whole; the system's reason when it could not (the old file is then kept).
std::optional<QString> writeBusList(const QString& path, const QStringList& ids);
