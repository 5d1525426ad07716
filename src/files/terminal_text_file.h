#pragma once

#include <QByteArray>
#include <QString>

// What a saved terminal log holds: the log, CR LF added when it does not end with a line feed
// (an empty log too), then one more CR LF, so the file ends with an empty line.
QByteArray terminalFileContent(const QString& log);

// Replaces the file whole, through a temporary file: a failed save leaves an existing file as it
// was. False on failure, with the reason in error.
bool saveTerminalText(const QString& path, const QString& log, QString& error);
