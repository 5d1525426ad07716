#include "main_window/user_handler.h"

#include <QAbstractButton>

#include "main_window/main_session.h"

void runUserHandler(MainSession& session, std::function<void()> handler) {
    session.presses.press([&session, handler = std::move(handler)] {
        if (session.values.ComStatus) {
            handler();
        }
    });
}

void onClick(QAbstractButton* button, MainSession& session, std::function<void()> handler) {
    QObject::connect(
        button, &QAbstractButton::clicked, button,
        [&session, handler = std::move(handler)] { runUserHandler(session, handler); });
}

std::optional<QString> sendStep(MainSession& session, const QString& command) {
    if (!session.values.ComPortStatus) {
        return std::nullopt;
    }
    QString reply = session.SendReceive(command);
    if (!session.values.ComPortStatus) {
        return std::nullopt;
    }
    return reply;
}
