#include "main_window/on_the_fly_commands.h"

#include "main_window/on_the_fly_panel.h"
#include "main_window/user_handler.h"
#include "widgets/prompter.h"

OnTheFlyCommands::OnTheFlyCommands(MainSession& session, OnTheFlyPanel& panel, Prompter& prompter)
    : session_(session), panel_(panel), prompter_(prompter) {
    onClick(panel.Command10, session, [this] { Command10_Click(); });
    onClick(panel.Command9, session, [this] { Command9_Click(); });
    onClick(panel.Command8, session, [this] { Command8_Click(); });
}

void OnTheFlyCommands::checkReply(const QString& reply) {
    if (reply != QLatin1String("OK")) {
        prompter_.info(QStringLiteral("Error Setting Speed! ") + reply);
    }
}

void OnTheFlyCommands::Command10_Click() {
    if (const auto reply = sendStep(session_, QLatin1Char('T') + panel_.OnTheFlyPos->text())) {
        checkReply(*reply);
    }
}

void OnTheFlyCommands::Command9_Click() {
    // The acceleration's reply is not looked at; only the speed change must be accepted.
    if (!sendStep(session_, QStringLiteral("ACC=") + panel_.SSPDAcc->text())) {
        return;
    }
    if (const auto reply = sendStep(session_, QStringLiteral("SSPD") + panel_.SSPDX->text())) {
        checkReply(*reply);
    }
}

void OnTheFlyCommands::Command8_Click() {
    sendStep(session_, QStringLiteral("SSPDM=") + panel_.SSPDModeCombo->currentText());
}
