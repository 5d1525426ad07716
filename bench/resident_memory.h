#pragma once

#include <QtGlobal>

// This process's resident memory in kB (VmRSS of /proc/self/status); -1 where there is none.
qint64 residentKb();

// Readings of resident memory over a run: the first one, the last one and the largest.
struct MemoryTrace {
    qint64 startKb = -1;
    qint64 endKb = -1;
    qint64 maxKb = -1;

    void sample();
    qint64 growthKb() const { return endKb - startKb; }
};
