#pragma once

#include <QString>

// What happened to a save child that was stopped in the middle of its write and then killed.
struct KilledSave {
    bool stoppedInWrite = false;  // it stopped inside the write, as arranged
    qint64 bytesWritten = -1;     // size of its unfinished file at that moment (-1: not found)
    bool killed = false;          // SIGKILL ended it
};

// Runs the save child (saved_files.h) for the kind, lets its save write stopAfter bytes of the
// new file, then kills it with SIGKILL.
KilledSave killSaveMidWrite(const QString& kind, const QString& path, qint64 stopAfter);
