#pragma once

#include <QString>
#include <functional>
#include <optional>

#include "main_window/main_session.h"

class QAbstractButton;

// Runs a user handler as a job of the window: after every job given before it, in the order
// pressed, and not at all while the device is not communicating when its turn comes. What the
// handler needs from the controls must be captured by value when the press is made.
void runUserHandler(MainSession& session, MainSession::Job handler);

// Connects a button's click to a user handler: press runs at the click, in the window's thread,
// reads the controls it needs and gives the handler to run as above.
void onClick(QAbstractButton* button, MainSession& session,
             std::function<MainSession::Job()> press);

// One transaction of a click; the reply, or nothing once the port has failed. The failure has
// then been reported and the port closed: every further command of the click would only meet the
// closed port and repeat the same two messages, so the click ends there.
std::optional<QString> sendStep(MainLine& m, const QString& command);
