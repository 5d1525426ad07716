#include "terminal/terminal_form.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QTimer>
#include <QVBoxLayout>

#include "device/terminal_line.h"
#include "files/terminal_text_file.h"
#include "link/messages.h"
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
      MSComm1(services.makePort()),
      log_(Pad) {
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
    try {
        openPort(*MSComm1, values.ComPortNumber, values.Baudrate);
    } catch (const PortError& e) {
        // This window's own copy: every line then answers "Com Port Error" instead of failing.
        values.ComPortStatus = false;
        services_.prompter->info(
            withOpenFailureHelp(kCommunicationError + e.description(), *MSComm1));
    }
    SendText->setFocus();
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
    const auto failure = sendTerminalLine(*MSComm1, values.ComPortStatus, DeviceID->text(), command,
                                          [this](const QString& text) { log_.append(text); });
    log_.showEnd();
    if (failure) {
        services_.prompter->info(kCommunicationError + *failure);
    }
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

void TerminalForm::closePort() {
    if (!MSComm1->isOpen()) {
        return;
    }
    try {
        MSComm1->close();
    } catch (const PortError&) {
        // The port is gone already; nothing to release.
    }
}
