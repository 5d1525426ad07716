#include "main_window/main_control_form.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QScreen>
#include <QVBoxLayout>

#include "bus/bus_window.h"
#include "device/parameter_codes.h"
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
      Bus(pictureButton("Bus", QStringLiteral("Bus"), glyphIcon(Glyph::Bus))),
      Command2(named<QPushButton>("Command2", QStringLiteral("Close"))),
      Timer1(named<QTimer>("Timer1", this)),
      nextTick(new QTimer(this)),
      services_(services),
      session_(services_, *this, *this),
      feed_(services.clockMs),
      stopKey_(session_),
      identification_(comm, sync),
      poller_(comm, status, control, dio, latch, sync, feed_),
      profile_(control),
      motion_(session_, control, status, profile_),
      onTheFlyCommands_(session_, onTheFly),
      outputs_(session_, dio, sync),
      terminalCommands_(session_, terminal) {
    setObjectName(QStringLiteral("MainControlForm"));
    setWindowTitle(QStringLiteral("NVQ-CAN d108"));
    chart = new ChartPanel(feed_, *services.prompter);
    lineStatus = new LineStatus(session_, [this] { return feed_.nowMs(); });
    identification_.addressShown = [this](const QString& id) {
        terminalCommands_.followDeviceId(id);
    };
    Chart->setCheckable(true);
    connect(Chart, &QToolButton::toggled, this, &MainControlForm::showChart);
    Timer1->setInterval(1);
    connect(Timer1, &QTimer::timeout, this, &MainControlForm::Timer1_Timer);
    nextTick->setSingleShot(true);
    nextTick->setInterval(0);
    connect(nextTick, &QTimer::timeout, this, &MainControlForm::Timer1_Timer);
    connectPresses();
    buildLayout();
    // Enter in an entry must not press a button: a dialog presses its first push button on Enter,
    // which here would reset the position counter or close the window.
    for (QPushButton* button : findChildren<QPushButton*>()) {
        button->setAutoDefault(false);
    }
    setButtonTips(*this);
}

// Every press is a job of the window's line, in the order made; what it needs from the controls
// is read now. Closing too waits for the jobs given before it.
void MainControlForm::connectPresses() {
    QComboBox* list = comm.SelectedDeviceID;
    connect(list, &QComboBox::activated, this, [this, list] {
        session_.run([this, id = list->currentText()](MainLine& m) {
            identification_.SelectedDeviceID_Click(m, id);
        });
    });
    connect(ManualTerminal, &QToolButton::clicked, this, [this] { ManualTerminal_Click(); });
    connect(Setup, &QToolButton::clicked, this, [this] { Setup_Click(); });
    connect(Bus, &QToolButton::clicked, this, [this] { Bus_Click(); });
    connect(Command2, &QPushButton::clicked, this,
            [this] { session_.run([](MainLine&) {}, [this](bool) { close(); }); });
    // The polling cycle sets these boxes with their signals blocked: a toggle is the user's.
    connect(control.EnableStat, &QCheckBox::toggled, this, [this](bool ticked) {
        session_.run([ticked](MainLine& m) {
            m.enableShown = ticked;
            EnableHandlers::EnableStat_Click(m, ticked);
        });
    });
    connect(latch.EnableLatch, &QCheckBox::toggled, this, [this](bool ticked) {
        session_.run([ticked](MainLine& m) {
            m.latchShown = ticked;
            EnableHandlers::EnableLatch_Click(m, ticked);
        });
    });
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
    for (QToolButton* b : {Chart, ManualTerminal, Setup, Bus}) {
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
    startUp();
}

void MainControlForm::startUp() {
    session_.PreviousCommand.clear();
    for (int i = 0; i <= 8; ++i) {
        onTheFly.SSPDModeCombo->addItem(QString::number(i));
    }
    status.MoveMode->setText(QStringLiteral("ABS"));
    comm.SelectedDeviceID->addItems(deviceIdItems());
    comm.SelectedDeviceID->setCurrentIndex(-1);
    Timer1->stop();
    comm.BaudText->setText(session_.values.Baudrate);
    session_.PollStep = 1;
    session_.start();
    auto polling = std::make_shared<bool>(false);
    session_.run([this, polling](MainLine& m) { *polling = identification_.startUp(m); },
                 [this, polling](bool) {
                     if (*polling) {
                         Timer1->start();
                     }
                     terminalCommands_.followDeviceId(session_.values.ComAddress);
                 });
}

void MainControlForm::Timer1_Timer() {
    // Presses go first: the tick comes once the jobs given before it are done.
    if (session_.busy || session_.onTheLine > 0 || session_.PausePolling ||
        !session_.values.ComPortStatus || !session_.running()) {
        return;
    }
    session_.busy = true;
    session_.run([this](MainLine& m) { poller_.tick(m); },
                 [this](bool) {
                     session_.busy = false;
                     if (Timer1->isActive()) {
                         nextTick->start();
                     }
                 });
}

void MainControlForm::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        stopKey_.pressed();
        return;
    }
    DeviceWindow::keyPressEvent(event);
}

void MainControlForm::handOver(std::function<void()> showChild) {
    // One child at a time: a second press (a double click on "Setup") gets its child once the
    // first has ended and the port is back, never while another child holds the port.
    waitingChildren_.push_back(std::move(showChild));
    if (!handingOver_) {
        nextHandOver();
    }
}

void MainControlForm::nextHandOver() {
    if (waitingChildren_.empty()) {
        handingOver_ = false;
        session_.PausePolling = false;
        return;
    }
    handingOver_ = true;
    session_.PausePolling = true;
    std::function<void()> showChild = std::move(waitingChildren_.front());
    waitingChildren_.pop_front();
    const auto closePort = [](MainLine& m) {
        if (m.values.ComPortStatus) {
            try {
                m.line.port().close();
            } catch (const PortError&) {
                // Closing a port that is gone leaves it closed; the child finds out for itself.
            }
        }
    };
    const auto reopenPort = [](MainLine& m) {
        if (m.values.ComPortStatus) {
            try {
                m.line.port().open();
                m.policy.lineOpened();
            } catch (const PortError&) {
                // The adapter went away while the child had it: say so, and stop touching it.
                m.policy.portUnavailable();
            }
        }
    };
    session_.run(closePort, [this, showChild = std::move(showChild), reopenPort](bool ran) {
        if (!ran) {
            nextHandOver();  // a stop dropped the press
            return;
        }
        showChild();
        session_.run(
            [reopenPort, after = std::exchange(afterChild_, nullptr)](MainLine& m) {
                reopenPort(m);
                if (after && m.values.ComPortStatus) {
                    after(m);
                }
            },
            [this](bool) { nextHandOver(); });
    });
}

void MainControlForm::ManualTerminal_Click() {
    handOver([this] {
        TerminalForm window(services_, this);
        const ConnectionValues& v = session_.values;
        window.values.ComPortStatus = v.ComPortStatus;
        window.values.ComAddress = v.ComAddress;
        window.values.ComPortNumber = v.ComPortNumber;
        window.values.Baudrate = v.Baudrate;
        services_.modal->showModal(window);
    });
}

void MainControlForm::Setup_Click() {
    handOver([this] {
        SetupParameters window(services_, this);
        window.values() = session_.values;  // ComPortStatus, ComStatus, ComAddress, port, baud
        services_.modal->showModal(window);
    });
}

// "Drive" in the bus window hands back the device chosen; it becomes this window's device
// through the ID list's pick, once the port is back.
void MainControlForm::Bus_Click() {
    handOver([this] {
        BusWindow window(services_, this);
        window.values = session_.values;
        services_.modal->showModal(window);
        if (window.result() == QDialog::Accepted) {
            afterChild_ = [this, id = window.values.ComAddress](MainLine& m) {
                identification_.selectDeviceId(m, id);
            };
        }
    });
}

void MainControlForm::onUnload() {
    Timer1->stop();
    nextTick->stop();
    chart->finishRecording();
    // The job under way ends after its exchange, the port is closed.
    session_.end();
    session_.values.ComPortStatus = false;
}

void MainControlForm::showNoCommunication() {
    comm.showNoCommunication();
    comm.showUnknownDevice();
    sync.reset();
}

void MainControlForm::showInvalidPort(const QString& address) {
    // Nothing brings the port back in this window, so the 1 ms timer stops rather than tick on
    // a closed port until the window is closed.
    Timer1->stop();
    comm.showInvalidPort();
    if (deviceIdItems().contains(address)) {
        comm.SelectedDeviceID->setCurrentText(address);
    }
    comm.showUnknownDevice();
    sync.reset();
}
