#include "resident_memory.h"

#include <QFile>
#include <algorithm>

qint64 residentKb() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) {
        return -1;
    }
    // A /proc file has no size, so it is read to its end rather than tested for it.
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:")) {
            // "VmRSS:     12345 kB"
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
        }
    }
    return -1;
}

void MemoryTrace::sample() {
    const qint64 kb = residentKb();
    if (startKb < 0) {
        startKb = kb;
    }
    endKb = kb;
    maxKb = std::max(maxKb, kb);
}
