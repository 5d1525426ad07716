#pragma once

#include <QString>
#include <functional>
#include <optional>

class MainSession;
class QAbstractButton;

// Runs a user handler: never inside another handler or a tick (a message box's nested event loop,
// or an accessibility press delivered while a tick lets Escape in, could otherwise start one) but
// after it, in the order pressed; marked busy for its whole run, and not at all while the device
// is not communicating when its turn comes. What the handler needs must be captured by value.
void runUserHandler(MainSession& session, std::function<void()> handler);

// Connects a button's click to a user handler run as above.
void onClick(QAbstractButton* button, MainSession& session, std::function<void()> handler);

// One transaction of a click; the reply, or nothing once the port has failed. The failure has
// then been reported and the port closed: every further command of the click would only meet the
// closed port and repeat the same two messages, so the click ends there.
std::optional<QString> sendStep(MainSession& session, const QString& command);
