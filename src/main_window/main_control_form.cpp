#include "main_window/main_control_form.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QScreen>
#include <QVBoxLayout>

#include "main_window/button_tips.h"
#include "setup/setup_parameters.h"
#include "terminal/terminal_form.h"
#include "widgets/modal_runner.h"
#include "widgets/prompter.h"
#include "widgets/ui_helpers.h"

MainControlForm::MainControlForm(const WindowServices& services, QWidget* parent)
    : DeviceWindow(parent),
      Chart(pictureButton("Chart", QStringLiteral("Chart"), glyphIcon(Glyph::Chart))),
      ManualTerminal(
          pictureButton("ManualTerminal", QStringLiteral("Terminal"), glyphIcon(Glyph::Terminal))),
      Setup(pictureButton("Setup", QStringLiteral("Setup"), glyphIcon(Glyph::Setup))),
      Command2(named<QPushButton>("Command2", QStringLiteral("Close"))),
      Timer1(named<QTimer>("Timer1", this)),
      services_(services),
      session_(services.makePort(), *this),
      feed_(services.clockMs),
      stopKey_(session_, *this),
      identification_(session_, comm, sync, *services.prompter),
      poller_(session_, comm, status, control, dio, latch, sync, feed_),
      enables_(session_, control, latch),
      profile_(session_, control, *services.prompter),
      motion_(session_, control, status, profile_),
      onTheFlyCommands_(session_, onTheFly, *services.prompter),
      outputs_(session_, dio, sync, *services.prompter),
      terminalCommands_(session_, terminal, comm.SelectedDeviceID) {
    setObjectName(QStringLiteral("MainControlForm"));
    setWindowTitle(QStringLiteral("NVQ-CAN d108"));
    chart = new ChartPanel(feed_, *services.prompter);
    lineStatus = new LineStatus(session_, [this] { return feed_.nowMs(); });
    session_.beforeExchange = [this] { stopKey_.beforeExchange(); };
    Chart->setCheckable(true);
    connect(Chart, &QToolButton::toggled, this, &MainControlForm::showChart);
    Timer1->setInterval(1);
    connect(Timer1, &QTimer::timeout, this, &MainControlForm::Timer1_Timer);
    // Each press waits for the tick or handler under way; closing too, so that the port is not
    // closed in the middle of an exchange.
    const auto onPress = [this](auto* sender, auto signal, std::function<void()> handler) {
        connect(sender, signal, this, [this, handler] { pressed(handler); });
    };
    onPress(comm.SelectedDeviceID, &QComboBox::activated,
            [this] { identification_.SelectedDeviceID_Click(); });
    onPress(ManualTerminal, &QToolButton::clicked, [this] { ManualTerminal_Click(); });
    onPress(Setup, &QToolButton::clicked, [this] { Setup_Click(); });
    onPress(Command2, &QPushButton::clicked, [this] { close(); });
    // toggled, not clicked: a change the polling cycle makes runs the handler too, inside its tick.
    onPress(control.EnableStat, &QCheckBox::toggled, [this] { enables_.EnableStat_Click(); });
    onPress(latch.EnableLatch, &QCheckBox::toggled, [this] { enables_.EnableLatch_Click(); });
    buildLayout();
    // Enter in an entry must not press a button: a dialog presses its first push button on Enter,
    // which here would reset the position counter or close the window.
    for (QPushButton* button : findChildren<QPushButton*>()) {
        button->setAutoDefault(false);
    }
    setButtonTips(*this);
}

MainControlForm::~MainControlForm() {
    unload();
}

void MainControlForm::buildLayout() {
    auto* left = new QVBoxLayout;
    left->addWidget(comm.communicationFrame);
    left->addWidget(comm.productFrame);
    left->addWidget(status.frame);
    left->addStretch();

    auto* middle = new QVBoxLayout;
    middle->addWidget(control.frame);
    middle->addWidget(onTheFly.positionFrame);
    middle->addWidget(onTheFly.speedFrame);
    middle->addStretch();

    auto* right = new QVBoxLayout;
    right->addWidget(dio.frame);
    right->addWidget(latch.frame);
    right->addWidget(sync.frame);
    right->addStretch();

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(terminal.frame, 1);
    for (QToolButton* b : {Chart, ManualTerminal, Setup}) {
        b->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
        b->setFixedWidth(84);
        bottom->addWidget(b, 0, Qt::AlignBottom);
    }
    Command2->setFixedSize(84, ManualTerminal->sizeHint().height());
    bottom->addWidget(Command2, 0, Qt::AlignBottom);

    auto* grid = new QGridLayout(this);
    grid->addLayout(left, 0, 0);
    grid->addLayout(middle, 0, 1);
    grid->addLayout(right, 0, 2);
    grid->addLayout(bottom, 1, 0, 1, 3);
    grid->addWidget(lineStatus, 2, 0, 1, 3);
    grid->addWidget(chart, 0, 3, 3, 1);
    grid->setColumnStretch(1, 1);
    chart->hide();
}

// The chart takes a column of its own to the right: the window grows by its width (and gives it
// back), the panels keep their places and widths.
void MainControlForm::showChart(bool shown) {
    auto* grid = static_cast<QGridLayout*>(layout());
    const int before = width();
    const int chartWidth =
        shown ? chart->sizeHint().expandedTo(chart->minimumSize()).width() : chart->width();
    const int added = chartWidth + std::max(0, grid->horizontalSpacing());
    const QWidget* columns[] = {comm.communicationFrame, control.frame, dio.frame};
    for (int c = 0; c < 3; ++c) {
        grid->setColumnMinimumWidth(c, shown ? columns[c]->width() : 0);
    }
    grid->setColumnStretch(1, shown ? 0 : 1);
    grid->setColumnStretch(3, shown ? 1 : 0);
    chart->setVisible(shown);
    // Now, not later: the window's minimum size must follow before it is resized.
    grid->activate();
    resize(before + (shown ? added : -added), height());
    keepOnScreen();
}

// A window grown past the right edge of its screen moves left as far as it must.
void MainControlForm::keepOnScreen() {
    const QScreen* screen = this->screen();
    if (!screen) {
        return;
    }
    const QRect room = screen->availableGeometry();
    const int over = frameGeometry().right() - room.right();
    if (over > 0) {
        move(std::max(room.left(), x() - over), y());
    }
}

void MainControlForm::onLoad() {
    {
        BusyScope busy(session_.busy);
        startUp();
    }
    session_.presses.runWaiting();
}

void MainControlForm::startUp() {
    session_.PreviousCommand.clear();
    for (int i = 0; i <= 8; ++i) {
        onTheFly.SSPDModeCombo->addItem(QString::number(i));
    }
    status.MoveMode->setText(QStringLiteral("ABS"));
    for (int i = 1; i <= 99; ++i) {
        comm.SelectedDeviceID->addItem(QStringLiteral("%1").arg(i, 2, 10, QLatin1Char('0')));
    }
    comm.SelectedDeviceID->setCurrentIndex(-1);
    Timer1->stop();
    comm.BaudText->setText(session_.values.Baudrate);
    session_.PollStep = 1;
    if (identification_.startUp()) {
        Timer1->start();
    }
    terminalCommands_.followDeviceId();
}

void MainControlForm::Timer1_Timer() {
    if (session_.busy) {
        return;
    }
    {
        BusyScope busy(session_.busy);
        const StopKey::TickScope tick(stopKey_);
        poller_.tick();
    }
    session_.presses.runWaiting();
}

// A change the polling cycle makes to a control runs its handler at once, as part of the tick;
// everything else is a press, run once the session is free.
void MainControlForm::pressed(const std::function<void()>& handler) {
    if (session_.displaying) {
        const BusyScope busy(session_.busy);
        handler();
        return;
    }
    session_.presses.press(handler);
}

void MainControlForm::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        stopKey_.pressed();
        return;
    }
    DeviceWindow::keyPressEvent(event);
}

void MainControlForm::showChild(QDialog& child) {
    ConnectionValues& v = session_.values;
    session_.PausePolling = true;
    if (v.ComPortStatus) {
        try {
            session_.port().close();
        } catch (const PortError&) {
            // Closing a port that is gone leaves it closed; the child finds out for itself.
        }
    }
    services_.modal->showModal(child);
    if (v.ComPortStatus) {
        try {
            session_.port().open();
            session_.policy().lineOpened();
        } catch (const PortError&) {
            // The adapter went away while the child had it: say so, and stop touching it.
            session_.policy().portUnavailable();
        }
    }
    session_.PausePolling = false;
}

void MainControlForm::ManualTerminal_Click() {
    TerminalForm window(services_, this);
    const ConnectionValues& v = session_.values;
    window.values.ComPortStatus = v.ComPortStatus;
    window.values.ComAddress = v.ComAddress;
    window.values.ComPortNumber = v.ComPortNumber;
    window.values.Baudrate = v.Baudrate;
    showChild(window);
}

void MainControlForm::Setup_Click() {
    SetupParameters window(services_, this);
    window.values() = session_.values;  // ComPortStatus, ComStatus, ComAddress, port, baud
    showChild(window);
}

void MainControlForm::onUnload() {
    Timer1->stop();
    chart->finishRecording();
    if (session_.values.ComPortStatus) {
        try {
            session_.port().close();
        } catch (const PortError&) {
            // The port is gone already; nothing to release.
        }
        session_.values.ComPortStatus = false;
    }
}

void MainControlForm::tell(const QString& message) {
    services_.prompter->info(message);
}

void MainControlForm::showNoCommunication() {
    comm.showNoCommunication();
    comm.showUnknownDevice();
    sync.reset();
}

void MainControlForm::showInvalidPort() {
    // Nothing brings the port back in this window, so the 1 ms timer stops rather than tick on
    // a closed port until the window is closed.
    Timer1->stop();
    comm.showInvalidPort();
    identification_.selectDeviceId(session_.values.ComAddress);
    comm.showUnknownDevice();
    sync.reset();
}
