#include "main_window/stop_key.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QPointer>
#include <QThread>
#include <QWidget>
#include <QWindow>
#include <memory>

#include "main_window/main_session.h"

StopKey::StopKey(MainSession& session, QWidget& window) : session_(session), window_(window) {
    QCoreApplication::instance()->installEventFilter(this);
}

StopKey::~StopKey() {
    QCoreApplication::instance()->removeEventFilter(this);
}

void StopKey::pressed() {
    if (session_.busy) {
        pending_ = true;
        // A press that came before the stop (a jog, a move) must not start the axis after it.
        session_.presses.dropWaiting();
        return;
    }
    BusyScope busy(session_.busy);
    sendAbort();
}

void StopKey::beforeExchange() {
    if (inTick_ && peekLevel_ < 0) {
        letInputIn();
    }
    if (pending_) {
        pending_ = false;
        sendAbort();
    }
}

void StopKey::letInputIn() {
    peekLevel_ = QThread::currentThread()->loopLevel();
    QCoreApplication::processEvents();
    peekLevel_ = -1;
}

// Straight to the policy: the session's own exchange would come back here first.
void StopKey::sendAbort() {
    if (session_.values.ComPortStatus) {
        session_.policy().SendReceive(QStringLiteral("ABORT"));
    }
}

bool StopKey::eventFilter(QObject* watched, QEvent* event) {
    // Only input the window system hands to a window while a tick lets input in; an event loop
    // opened meanwhile (a message box) gets its input as usual.
    if (peekLevel_ < 0 || QThread::currentThread()->loopLevel() != peekLevel_ ||
        !watched->isWindowType() || (!event->isInputEvent() && event->type() != QEvent::Close)) {
        return false;
    }
    const bool escape =
        (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease) &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape;
    if (escape && watched == window_.windowHandle()) {
        return false;
    }
    // Handed on when the session is free, in its place among the presses that wait.
    session_.presses.runWhenFree(
        [receiver = QPointer<QObject>(watched), held = std::shared_ptr<QEvent>(event->clone())] {
            if (receiver) {
                QCoreApplication::sendEvent(receiver, held.get());
            }
        });
    return true;
}
