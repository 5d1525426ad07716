#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>

// The three choices of the connection dialog, as the lists show them.
struct SerialChoices {
    QString port = QStringLiteral("COM1");
    QString baud = QStringLiteral("9600");
    QString id = QStringLiteral("01");
};

inline constexpr char kSettingsFileName[] = "nvq-can.ini";

QStringList comPortEntries();   // "COM1" .. "COM15"
QStringList baudRateEntries();  // "9600" .. "115200"
QStringList deviceIdEntries();  // "01" .. "99"

// The choices a settings file gives (nullopt: there is no file). The lines are read in order and
// each must be an entry of its list; at the first line that is missing or is not, reading stops,
// the port and ID fall back to "COM1" and "01" and the baud rate keeps what was read so far.
SerialChoices choicesFromSettings(const std::optional<QByteArray>& content);

// Three lines, each ended by CR LF.
QByteArray settingsContent(const SerialChoices& choices);

// The file's bytes, or nullopt when it does not exist or cannot be read.
std::optional<QByteArray> readSettingsFile(const QString& path);
// Replaces the file whole, through a temporary file; false when it could not be written (the
// old file is then untouched).
bool writeSettingsFile(const QString& path, const SerialChoices& choices);

// "COM10" to "COM15" give 10 to 15; any other port text the value of its last character.
int comPortNumber(const QString& portText);
