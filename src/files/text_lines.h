#pragma once

#include <QByteArray>
#include <QStringList>

// The lines of a text file read as Latin-1 (every byte stays one character): lines end with
// CR LF, CR or LF, and a final line end does not start another line.
QStringList textLines(const QByteArray& content);
