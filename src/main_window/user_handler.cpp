#include "main_window/user_handler.h"

#include <QAbstractButton>

void runUserHandler(MainSession& session, MainSession::Job handler) {
    session.run([handler = std::move(handler)](MainLine& m) {
        if (m.values.ComStatus) {
            handler(m);
        }
    });
}

void onClick(QAbstractButton* button, MainSession& session,
             std::function<MainSession::Job()> press) {
    QObject::connect(button, &QAbstractButton::clicked, button,
                     [&session, press = std::move(press)] { runUserHandler(session, press()); });
}

std::optional<QString> sendStep(MainLine& m, const QString& command) {
    if (!m.values.ComPortStatus) {
        return std::nullopt;
    }
    QString reply = m.SendReceive(command);
    if (!m.values.ComPortStatus) {
        return std::nullopt;
    }
    return reply;
}
