#include "widgets/modal_runner.h"

#include <QCoreApplication>

void ScriptedModalRunner::showModal(QDialog& window) {
    ++shownCount;
    window.show();
    QCoreApplication::processEvents();
    if (!scripts.isEmpty()) {
        scripts.takeFirst()(window);
    }
    if (window.isVisible()) {
        window.close();
    }
}
