#include "main_window/terminal_pane_commands.h"

#include <QComboBox>
#include <QKeyEvent>

#include "link/exchange.h"
#include "link/reply_reader.h"
#include "main_window/main_session.h"
#include "main_window/terminal_pane.h"
#include "main_window/user_handler.h"

std::optional<QString> readPaneReply(SerialPort& port) {
    QByteArray reply;
    ReadBudget budget;
    const auto onChar = [&reply](char c) {
        if (c == '\r') {
            return true;
        }
        reply += c;
        return false;
    };
    if (readCharacters(port, ReadLimits{500, 1}, budget, onChar) != ReadEnd::Stopped) {
        return std::nullopt;
    }
    return QString::fromLatin1(reply);
}

TerminalPaneCommands::TerminalPaneCommands(MainSession& session, TerminalPane& pane)
    : session_(session), pane_(pane) {
    for (int id = 0; id <= 99; ++id) {
        pane.DeviceIDComboTerminal->addItem(QStringLiteral("%1").arg(id, 2, 10, QLatin1Char('0')));
    }
    pane.SendTerminalText->installEventFilter(this);
    QObject::connect(pane.Command1, &QPushButton::clicked, this, &TerminalPaneCommands::sendLine);
}

void TerminalPaneCommands::followDeviceId(const QString& id) {
    const int index = pane_.DeviceIDComboTerminal->findText(id);
    if (index >= 0) {
        pane_.DeviceIDComboTerminal->setCurrentIndex(index);
    }
}

bool TerminalPaneCommands::eventFilter(QObject* watched, QEvent* event) {
    if (watched != pane_.SendTerminalText || event->type() != QEvent::KeyPress) {
        return false;
    }
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_F1) {
        recallPreviousCommand();
        return true;
    }
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        // Taken here, so that the window's default button does not also see it.
        sendLine();
        return true;
    }
    return false;
}

void TerminalPaneCommands::recallPreviousCommand() {
    pane_.SendTerminalText->setText(session_.PreviousCommand);
}

void TerminalPaneCommands::sendLine() {
    const QString line = pane_.SendTerminalText->text();
    if (line.isEmpty()) {
        return;
    }
    runUserHandler(session_,
                   [this, line, address = pane_.DeviceIDComboTerminal->currentText()](MainLine& m) {
                       try {
                           exchangeLine(m, address, line);
                       } catch (const PortError& e) {
                           // The window's own port has failed: the same path as a failed exchange,
                           // so that the next tick does not meet the dead port and report it a
                           // second time.
                           m.policy.portFailed(e.description());
                       }
                   });
}

void TerminalPaneCommands::exchangeLine(MainLine& m, const QString& address, const QString& line) {
    SerialPort& port = m.line.port();
    LineState& state = m.line.state();
    beginOwnExchange(port, state);
    port.write(commandFrame(address, line));
    m.PreviousCommand = line;
    if (const int ms = commandDelayMs(line); ms > 0) {
        port.delay(ms);
    }
    TerminalPane& pane = pane_;
    // The entry is cleared only while it still holds the line sent: what the user has typed
    // meanwhile for the next line stays.
    m.show([&pane, line] {
        if (pane.SendTerminalText->text() == line) {
            pane.SendTerminalText->clear();
        }
        pane.ReceiveTerminalText->clear();
    });
    if (address == QLatin1String("00")) {
        // Every device hears a broadcast and none answers it: nothing is owed.
        m.show([&pane] { pane.ReceiveTerminalText->setText(QStringLiteral("BROADCAST SENT!")); });
        return;
    }
    const std::optional<QString> reply = readPaneReply(port);
    endOwnExchange(state, reply.has_value());
    m.show([&pane, text = reply.value_or(QStringLiteral("NO REPLY!"))] {
        pane.ReceiveTerminalText->setText(text);
    });
}
