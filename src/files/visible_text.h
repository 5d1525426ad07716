#pragma once

#include <QString>

// Text from outside the program (device paths, link targets, names from lock files) as it may be
// shown to the user: each character that is not printable (a line end, an escape that would
// steer a terminal, a direction override) as \xNN or \u{NNNN}, so that it can neither start a
// line of its own in a message nor change how the rest reads.
QString visibleText(const QString& text);

// A name from outside (a user or group database, /proc, a lock file) as it may be shown: trimmed,
// printable and at most 64 characters; else nothing ("").
QString shownName(const QByteArray& raw);

// The path as a word a shell takes (quoted when it holds anything but letters, digits and
// ._/+:,=@%-), shown as visibleText shows it.
QString visibleShellWord(const QString& path);
