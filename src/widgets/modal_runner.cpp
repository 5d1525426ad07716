#include "widgets/modal_runner.h"

#include <QCoreApplication>

#include "device/line_engine.h"

void ScriptedModalRunner::showModal(QDialog& window) {
    ++shownCount;
    window.show();
    QCoreApplication::processEvents();
    // The window's opening work runs on its line; the script sees its end.
    if (settleLoad) {
        LineEngine::settle();
    }
    if (!scripts.isEmpty()) {
        scripts.takeFirst()(window);
    }
    if (window.isVisible()) {
        window.close();
    }
}
