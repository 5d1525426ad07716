#include "main_window/on_the_fly_commands.h"

#include "main_window/on_the_fly_panel.h"
#include "main_window/user_handler.h"
#include "widgets/prompter.h"

OnTheFlyCommands::OnTheFlyCommands(MainSession& session, OnTheFlyPanel& panel) {
    OnTheFlyPanel* p = &panel;
    onClick(panel.Command10, session, [p] {
        return [position = p->OnTheFlyPos->text()](MainLine& m) { Command10_Click(m, position); };
    });
    onClick(panel.Command9, session, [p] {
        return [acceleration = p->SSPDAcc->text(), speed = p->SSPDX->text()](MainLine& m) {
            Command9_Click(m, acceleration, speed);
        };
    });
    onClick(panel.Command8, session, [p] {
        return [mode = p->SSPDModeCombo->currentText()](MainLine& m) { Command8_Click(m, mode); };
    });
}

void OnTheFlyCommands::checkReply(MainLine& m, const QString& reply) {
    if (reply != QLatin1String("OK")) {
        m.prompter().info(QStringLiteral("Error Setting Speed! ") + reply);
    }
}

void OnTheFlyCommands::Command10_Click(MainLine& m, const QString& position) {
    if (const auto reply = sendStep(m, QLatin1Char('T') + position)) {
        checkReply(m, *reply);
    }
}

void OnTheFlyCommands::Command9_Click(MainLine& m, const QString& acceleration,
                                      const QString& speed) {
    // The acceleration's reply is not looked at; only the speed change must be accepted.
    if (!sendStep(m, QStringLiteral("ACC=") + acceleration)) {
        return;
    }
    if (const auto reply = sendStep(m, QStringLiteral("SSPD") + speed)) {
        checkReply(m, *reply);
    }
}

void OnTheFlyCommands::Command8_Click(MainLine& m, const QString& mode) {
    sendStep(m, QStringLiteral("SSPDM=") + mode);
}
