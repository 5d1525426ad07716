#include "terminal/terminal_form.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QTimer>
#include <QVBoxLayout>

#include "device/log_batch.h"
#include "device/terminal_line.h"
#include "files/terminal_text_file.h"
#include "link/messages.h"
#include "widgets/job_prompter.h"
#include "widgets/prompter.h"
#include "widgets/ui_helpers.h"

QString TerminalForm::PreviousCommand;

namespace {

QFont logFont() {
    QFont font(QStringLiteral("Courier New"));
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    font.setPointSizeF(9.75);
    return font;
}

}  // namespace

TerminalForm::TerminalForm(const WindowServices& services, QWidget* parent)
    : DeviceWindow(parent),
      IDLabel(named<QLabel>("IDLabel", QStringLiteral("ID:"))),
      DeviceID(named<QLineEdit>("DeviceID")),
      SendText(named<QLineEdit>("SendText")),
      Pad(named<QPlainTextEdit>("Pad")),
      Command2(named<QPushButton>("Command2", QStringLiteral("Save"))),
      Close(named<QPushButton>("Close", QStringLiteral("Close"))),
      services_(services),
      log_(Pad),
      engine_(std::make_unique<LineEngine>(services.makePort)) {
    setObjectName(QStringLiteral("TerminalForm"));
    setWindowTitle(QStringLiteral("Terminal"));
    buildLayout();
    SendText->installEventFilter(this);
    connect(Command2, &QPushButton::clicked, this, &TerminalForm::Command2_Click);
    connect(Close, &QPushButton::clicked, this, &QDialog::close);
}

TerminalForm::~TerminalForm() {
    closePort();
}

void TerminalForm::buildLayout() {
    IDLabel->setBuddy(DeviceID);
    DeviceID->setFixedWidth(56);
    SendText->setPlaceholderText(QStringLiteral("command, Enter sends, F1 recalls the last one"));
    Pad->setReadOnly(true);
    Pad->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    Pad->setTabChangesFocus(true);
    Pad->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Pad->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    Pad->setFont(logFont());
    // Enter belongs to the command line; neither button may take it as the default.
    for (QPushButton* b : {Command2, Close}) {
        b->setAutoDefault(false);
        b->setDefault(false);
        b->setMinimumWidth(84);
    }

    auto* entry = new QHBoxLayout;
    entry->addWidget(IDLabel);
    entry->addWidget(DeviceID);
    entry->addWidget(SendText, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Command2);
    buttons->addWidget(Close);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(entry);
    layout->addWidget(Pad, 1);
    layout->addLayout(buttons);
    setTabOrder(DeviceID, SendText);
    setTabOrder(SendText, Pad);
    setTabOrder(Pad, Command2);
    setTabOrder(Command2, Close);
    resize(640, 440);
}

void TerminalForm::onLoad() {
    DeviceID->setText(values.ComAddress);
    SendText->clear();
    log_.clear();
    if (!values.ComPortStatus) {
        services_.prompter->info(QStringLiteral("Communication port not open!"));
        return;
    }
    engine_->post(openJob(values.ComPortNumber, values.Baudrate), this);
    SendText->setFocus();
}

LineEngine::Job TerminalForm::openJob(int portNumber, const QString& baudrate) {
    return [this, portNumber, baudrate](LineEngine::Line& line) {
        try {
            openPort(line.port(), portNumber, baudrate);
            linePortOpen_ = true;
        } catch (const PortError& e) {
            const QString message =
                withOpenFailureHelp(kCommunicationError + e.description(), line.port());
            // This window's own copy: every line then answers "Com Port Error" instead of failing.
            line.show([this] { values.ComPortStatus = false; });
            JobPrompter(line, *services_.prompter).info(message);
        }
    };
}

void TerminalForm::changeEvent(QEvent* event) {
    QDialog::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow()) {
        SendText->setFocus();
    }
}

bool TerminalForm::eventFilter(QObject* watched, QEvent* event) {
    if (watched == SendText && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_F1) {
            SendText->setText(PreviousCommand);
            return true;
        }
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            SendText_Enter();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TerminalForm::SendText_Enter() {
    const QString command = SendText->text();
    PreviousCommand = command;
    if (command.isEmpty()) {
        return;
    }
    SendText->clear();
    if (engine_) {
        // The boxes as they are now: a line typed while another waits goes out as typed.
        engine_->post(lineJob(DeviceID->text(), command), this);
    }
}

LineEngine::Job TerminalForm::lineJob(const QString& idText, const QString& command) {
    return [this, idText, command](LineEngine::Line& line) {
        // The batches go by the line's clock, read here in the engine's thread: a simulated line
        // advances it in this thread as it reads.
        LogBatch batch(
            [this, &line](const QString& text) { line.show([this, text] { log_.append(text); }); },
            services_.clockMs);
        const auto failure = sendTerminalLine(line.port(), linePortOpen_, idText, command,
                                              [&batch](const QString& piece) { batch.add(piece); });
        batch.flush();
        if (failure) {
            JobPrompter(line, *services_.prompter).info(kCommunicationError + *failure);
        }
    };
}

void TerminalForm::Command2_Click() {
    const auto name =
        services_.prompter->saveFileName(QStringLiteral("Save Terminal Text As"),
                                         QStringLiteral("Terminal Text Files (*.txt)|*.txt"), {});
    if (!name) {
        return;
    }
    if (name->isEmpty()) {
        services_.prompter->info(QStringLiteral("No Program Name!"));
        return;
    }
    if (name->contains(QLatin1Char('*'))) {
        return;
    }
    QString error;
    if (!saveTerminalText(*name, log_.text(), error)) {
        services_.prompter->info(QStringLiteral("Save Failed! ") + error);
        return;
    }
    services_.prompter->info(QStringLiteral("Save Done!"));
}

void TerminalForm::onUnload() {
    closePort();
}

// The line under way ends first; the lines typed behind it are dropped. The engine closes the
// port before it returns, so that the opener can take the port back at once.
void TerminalForm::closePort() {
    engine_.reset();
}
