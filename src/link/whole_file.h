#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

// Replaces the file at path with bytes, whole or not at all: the bytes go to a temporary file in
// the same folder, which is renamed over the old file only once everything reached it. A failure
// at any point (the folder refuses the file, the disk is full, the program dies half-way) leaves
// an existing file as it was. Returns the system's reason when the file was not replaced.
std::optional<QString> writeWholeFile(const QString& path, const QByteArray& bytes);
