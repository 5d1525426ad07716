#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// What the save child writes for each kind of file, shared by the child and the tests that kill
// it: the child saves through the program's own writer, the test knows how many bytes that makes.
QStringList savedFileKinds();  // "settings", "parameters", "terminal"

// Saves the kind's content to path through the program's writer for it; false when it failed.
bool saveKind(const QString& kind, const QString& path);
// The bytes that saveKind writes for the kind.
QByteArray kindContent(const QString& kind);
