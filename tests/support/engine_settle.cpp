#include "support/engine_settle.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include "device/line_engine.h"

bool settleEngines() {
    QElapsedTimer elapsed;
    elapsed.start();
    while (elapsed.elapsed() < 60'000) {
        QCoreApplication::processEvents();
        if (!LineEngine::allIdle()) {
            LineEngine::waitForActivity(5);
            continue;
        }
        // What the last jobs showed and what follows them was posted before they counted as
        // done; it runs now. Settled when that gave no engine anything new.
        const quint64 before = LineEngine::activity();
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
        if (LineEngine::activity() == before && LineEngine::allIdle()) {
            return true;
        }
    }
    return false;
}
