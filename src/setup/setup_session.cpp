#include "setup/setup_session.h"

#include "setup/setup_messages.h"
#include "widgets/prompter.h"

SetupSession::SetupSession(std::unique_ptr<SerialPort> port, Prompter& prompter)
    : port_(std::move(port)),
      prompter_(prompter),
      policy_(*port_, values, [this](const QString& text) { tell(text); }) {}

bool SetupSession::ready() {
    if (!values.ComPortStatus) {
        tell(kPortNotOpen);
        return false;
    }
    if (!values.ComStatus) {
        tell(kDeviceNotOpen);
        return false;
    }
    return true;
}

std::optional<QString> SetupSession::request(const QString& command) {
    const QString reply = SendReceive(command);
    // A silent or empty answer comes back as "0" with ComStatus cleared; an empty result while
    // ComStatus still holds can only be a failed line.
    if (!values.ComStatus || reply.isEmpty()) {
        return std::nullopt;
    }
    return reply;
}

void SetupSession::unusableReply() {
    values.ComStatus = false;
    tell(kUnusableReply);
}

void SetupSession::tell(const QString& text) {
    prompter_.info(text);
}

bool SetupSession::confirm(const QString& text, const QString& title) {
    return prompter_.ask(text, title);
}
