#pragma once

#include <QByteArray>
#include <QString>

// The identity and modification time of a file or folder, "" when it does not exist: a folder's
// stamp changes whenever an entry is added, removed or renamed in it. One stat call.
QByteArray modificationStamp(const QString& path);
