#include "bus/bus_window.h"

#include <QDateTime>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QVBoxLayout>

#include "bus/report_window.h"
#include "files/settings_file.h"
#include "widgets/ui_helpers.h"

namespace {

constexpr int kFirstId = 1;
constexpr int kLastId = 99;
constexpr int kDiscoveryLastId = 9;  // what the window looks at when it has no list

QString idText(int id) {
    return deviceIdEntries().value(id - 1);
}

// The IDs first to last, those of skip left out.
QStringList idRange(int first, int last, const QStringList& skip = {}) {
    QStringList ids;
    for (const QString& id : deviceIdEntries().mid(first - 1, last - first + 1)) {
        if (!skip.contains(id)) {
            ids << id;
        }
    }
    return ids;
}

QStringList withId(QStringList ids, const QString& id) {
    ids << id;
    ids.sort();
    return ids;
}

bool isEnter(int key) {
    return key == Qt::Key_Return || key == Qt::Key_Enter;
}

}  // namespace

QString deviceCountText(int n) {
    return n == 1 ? QStringLiteral("1 device") : QStringLiteral("%1 devices").arg(n);
}

// A look for devices, one ID per job: at opening (01-09) or "Search 01-99".
struct BusWindow::Probe {
    QStringList waiting;  // IDs not asked yet
    int total = 0;
    bool discovery = false;
    bool cancelled = false;
    QStringList found;
};

struct BusWindow::Diagnosis {
    DoctorPlan plan;
    bool started = false;
    bool cancelled = false;
};

BusWindow::BusWindow(const WindowServices& services, QWidget* parent)
    : DeviceWindow(parent),
      Devices(new BusTable),
      IDLabel(named<QLabel>("IDLabel", QStringLiteral("&ID:"))),
      AddID(named<QSpinBox>("AddID")),
      Add(named<QPushButton>("Add", QStringLiteral("&Add"))),
      Remove(named<QPushButton>("Remove", QStringLiteral("&Remove"))),
      SearchAll(named<QPushButton>("SearchAll", QStringLiteral("&Search 01-99"))),
      Progress(named<QProgressBar>("Progress")),
      Cancel(named<QPushButton>("Cancel", QStringLiteral("Ca&ncel"))),
      Columns(named<QPushButton>("Columns", QStringLiteral("Colu&mns"))),
      StopAll(named<QPushButton>("StopAll", QStringLiteral("S&top all"))),
      Drive(named<QPushButton>("Drive", QStringLiteral("&Drive"))),
      Diagnose(named<QPushButton>("Diagnose", QStringLiteral("Dia&gnose"))),
      Close(named<QPushButton>("Close", QStringLiteral("&Close"))),
      StatusLine(named<QLabel>("StatusLine")),
      StatusTimer(named<QTimer>("StatusTimer", this)),
      PollTimer(named<QTimer>("PollTimer", this)),
      services_(services) {
    setObjectName(QStringLiteral("BusWindow"));
    setWindowTitle(QStringLiteral("NVQ-CAN Bus"));
    AddID->setRange(kFirstId, kLastId);
    Columns->setMenu(Devices->columnsMenu());
    StatusTimer->setInterval(500);
    connect(StatusTimer, &QTimer::timeout, this, &BusWindow::refreshStatus);
    PollTimer->setSingleShot(true);
    PollTimer->setInterval(0);
    connect(PollTimer, &QTimer::timeout, this, &BusWindow::PollTimer_Timer);
    buildLayout();
    connectPresses();
    Devices->installEventFilter(this);
    AddID->installEventFilter(this);
    showWorkControls();
}

BusWindow::~BusWindow() {
    unload();
}

void BusWindow::buildLayout() {
    IDLabel->setBuddy(AddID);
    Progress->setRange(0, 1);
    Progress->setTextVisible(false);
    StatusLine->setWordWrap(true);
    StatusLine->setTextInteractionFlags(Qt::TextSelectableByMouse);
    // Enter belongs to the table (Drive) and the ID box (Add); no button takes it as default.
    for (QPushButton* b : findChildren<QPushButton*>()) {
        b->setAutoDefault(false);
    }
    const QList<QPushButton*> buttons{Add,     Remove, SearchAll, Cancel, Columns,
                                      StopAll, Drive,  Diagnose,  Close};
    for (QPushButton* b : buttons) {
        b->setAutoDefault(false);
        b->setMinimumWidth(84);
        b->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    }
    const struct {
        QPushButton* button;
        const char* tip;
    } tips[] = {
        {Add, "Add the device ID beside it to the list"},
        {Remove, "Remove the selected device from the list (Delete)"},
        {SearchAll, "Look for devices at IDs 01 to 99: DN to each ID not listed"},
        {Cancel, "End the search or the diagnosis after the ID or step under way"},
        {Columns, "Show or hide the line quality columns"},
        {StopAll, "Stop every axis on the line at once: ABORT to ID 00 (Esc)"},
        {Drive, "Close this window and drive the selected device in the main window (Enter)"},
        {Diagnose, "Look for faults on the line with harmless queries, then show the findings"},
        {Close, "Close this window: the main window takes the port back"},
    };
    for (const auto& [button, tip] : tips) {
        button->setToolTip(QString::fromUtf8(tip));
    }

    AddID->setFixedWidth(64);
    Progress->setMinimumWidth(160);
    auto* list = new QHBoxLayout;
    list->addWidget(IDLabel);
    list->addWidget(AddID);
    list->addWidget(Add);
    list->addWidget(Remove);
    list->addSpacing(12);
    list->addWidget(SearchAll);
    list->addWidget(Progress);
    list->addWidget(Cancel);
    list->addStretch(1);
    list->addWidget(Columns);

    auto* actions = new QHBoxLayout;
    actions->addWidget(StopAll);
    actions->addWidget(Drive);
    actions->addWidget(Diagnose);
    actions->addStretch();
    actions->addWidget(Close);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Devices, 1);
    layout->addLayout(list);
    layout->addLayout(actions);
    layout->addWidget(StatusLine);
    setTabOrder(Devices, AddID);
    QWidget* previous = AddID;
    for (QPushButton* b : buttons) {
        setTabOrder(previous, b);
        previous = b;
    }
    resize(1440, 420);
}

void BusWindow::connectPresses() {
    connect(Add, &QPushButton::clicked, this, &BusWindow::Add_Click);
    connect(Remove, &QPushButton::clicked, this, &BusWindow::Remove_Click);
    connect(SearchAll, &QPushButton::clicked, this, &BusWindow::SearchAll_Click);
    connect(Cancel, &QPushButton::clicked, this, &BusWindow::Cancel_Click);
    connect(StopAll, &QPushButton::clicked, this, &BusWindow::StopAll_Click);
    connect(Drive, &QPushButton::clicked, this, &BusWindow::Drive_Click);
    connect(Diagnose, &QPushButton::clicked, this, &BusWindow::Diagnose_Click);
    connect(Close, &QPushButton::clicked, this, &QDialog::close);
    connect(Devices, &QTableWidget::cellDoubleClicked, this, [this] { Drive_Click(); });
}

void BusWindow::onLoad() {
    store_ = std::make_unique<BusListStore>(services_.settingsFolder, values.ComPortNumber);
    StatusTimer->start();
    if (!values.ComPortStatus) {
        failure_ = QStringLiteral("Communication port not open!");
        refreshStatus();
        return;
    }
    engine_ = std::make_unique<LineEngine>(services_.makePort);
    const std::optional<QStringList> remembered = store_->load();
    fileRefused_ = !store_->notice().isEmpty();
    if (remembered) {
        ids_ = *remembered;
        Devices->setIds(ids_);
    } else {
        note_ = fileRefused_ ? store_->notice() + QStringLiteral("; looked at IDs 01-09 instead")
                             : QString();
        startProbe(idRange(kFirstId, kDiscoveryLastId), true);
    }
    schedule();
    Devices->setFocus();
}

void BusWindow::onUnload() {
    StatusTimer->stop();
    PollTimer->stop();
    endLine();
}

// The poll lets go of the line in the engine's thread, after the exchange under way; then the
// engine closes the port, so that the opener can take it back at once.
void BusWindow::endLine() {
    probe_.reset();
    diagnosis_.reset();
    if (!engine_) {
        return;
    }
    engine_->dropQueued(this);
    engine_->post([this](LineEngine::Line&) { busLine_.close(); });
    engine_->waitForIdle();
    engine_.reset();
}

qint64 BusWindow::nowMs() const {
    return services_.clockMs ? services_.clockMs() : QDateTime::currentMSecsSinceEpoch();
}

void BusWindow::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        StopAll_Click();
        return;
    }
    DeviceWindow::keyPressEvent(event);
}

bool BusWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress || (watched != Devices && watched != AddID)) {
        return DeviceWindow::eventFilter(watched, event);
    }
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Escape) {
        StopAll_Click();
        return true;
    }
    if (watched == Devices && isEnter(key)) {
        Drive_Click();
        return true;
    }
    if (watched == Devices && key == Qt::Key_Delete) {
        Remove_Click();
        return true;
    }
    if (watched == AddID && isEnter(key)) {
        AddID->interpretText();
        Add_Click();
        return true;
    }
    return DeviceWindow::eventFilter(watched, event);
}

void BusWindow::Add_Click() {
    const QString id = idText(AddID->value());
    if (ids_.contains(id)) {
        note_ = QStringLiteral("ID %1 is listed already").arg(id);
    } else {
        changeList(withId(ids_, id));
    }
    Devices->setCurrentCell(int(ids_.indexOf(id)), BusTable::Id);
    refreshStatus();
}

void BusWindow::Remove_Click() {
    const QString id = Devices->currentId();
    if (id.isEmpty()) {
        note_ = QStringLiteral("Select the device to remove");
        refreshStatus();
        return;
    }
    QStringList ids = ids_;
    ids.removeAll(id);
    changeList(ids);
}

void BusWindow::changeList(const QStringList& ids) {
    ids_ = ids;
    Devices->setIds(ids_);
    for (const QString& id : lastAnswerMs_.keys()) {
        if (!ids_.contains(id)) {
            lastAnswerMs_.remove(id);
        }
    }
    // The user's list replaces whatever the file held, also a refused one.
    fileRefused_ = false;
    store_->save(ids_);
    note_ = store_->notice();
    schedule();
    refreshStatus();
}

void BusWindow::SearchAll_Click() {
    if (probe_ || diagnosis_ || !engine_) {
        return;
    }
    note_.clear();
    startProbe(idRange(kFirstId, kLastId, ids_), false);
    schedule();
}

void BusWindow::startProbe(const QStringList& ids, bool discovery) {
    probe_ = std::make_unique<Probe>();
    probe_->waiting = ids;
    probe_->total = int(ids.size());
    probe_->discovery = discovery;
    Progress->setRange(0, std::max(1, probe_->total));
    Progress->setValue(0);
    showWorkControls();
}

void BusWindow::Cancel_Click() {
    if (probe_) {
        probe_->cancelled = true;
    }
    if (diagnosis_) {
        diagnosis_->cancelled = true;
    }
}

void BusWindow::StopAll_Click() {
    if (!engine_) {
        note_ = QStringLiteral("Communication port not open!");
    } else {
        engine_->stop(QStringLiteral("00"), QStringLiteral("ABORT"));
        note_ = QStringLiteral("Stop all: ABORT sent to ID 00");
    }
    refreshStatus();
}

void BusWindow::Drive_Click() {
    const QString id = Devices->currentId();
    if (id.isEmpty()) {
        note_ = QStringLiteral("Select the device to drive");
        refreshStatus();
        return;
    }
    values.ComAddress = id;
    accept();
}

void BusWindow::Diagnose_Click() {
    if (probe_ || diagnosis_ || !engine_) {
        return;
    }
    if (ids_.isEmpty()) {
        note_ = QStringLiteral("No device listed to diagnose");
        refreshStatus();
        return;
    }
    diagnosis_ = std::make_unique<Diagnosis>();
    diagnosis_->plan.ids = ids_;
    for (auto it = lastAnswerMs_.begin(); it != lastAnswerMs_.end(); ++it) {
        if (it.value() >= 0) {
            diagnosis_->plan.lastAnswerMs.insert(it.key(), it.value());
        }
    }
    note_.clear();
    Progress->setRange(0, 1);
    Progress->setValue(0);
    showWorkControls();
    schedule();
}

void BusWindow::showWorkControls() {
    const bool working = probe_ || diagnosis_;
    Progress->setVisible(working);
    Cancel->setVisible(working);
    SearchAll->setEnabled(!working && engine_ && failure_.isEmpty());
    Diagnose->setEnabled(!working && engine_ && failure_.isEmpty());
}

void BusWindow::schedule() {
    if (!engine_ || onLine_ || !failure_.isEmpty()) {
        return;
    }
    LineEngine::Job job = nextJob();
    showWorkControls();
    refreshStatus();
    if (!job) {
        return;  // nothing listed: a change of the list starts polling again
    }
    onLine_ = true;
    engine_->post(std::move(job), this, [this] { jobEnded(); });
}

// A search or a diagnosis goes on at once; the next turn of polling comes from the event loop,
// after the presses made meanwhile (and a window that is closing gives none).
void BusWindow::jobEnded() {
    onLine_ = false;
    if (probe_ || diagnosis_) {
        schedule();
    } else if (engine_) {
        PollTimer->start();
    }
}

LineEngine::Job BusWindow::nextJob() {
    if (!opened_) {
        opened_ = true;
        doing_ =
            QStringLiteral("Opening COM%1 at %2").arg(values.ComPortNumber).arg(values.Baudrate);
        return openJob();
    }
    if (probe_ && (probe_->cancelled || probe_->waiting.isEmpty())) {
        finishProbe();
    }
    if (probe_) {
        const QString id = probe_->waiting.takeFirst();
        doing_ = (probe_->discovery ? QStringLiteral("Looking for devices at IDs 01-09: ID %1")
                                    : QStringLiteral("Searching IDs 01-99: ID %1"))
                     .arg(id);
        return probeJob(id);
    }
    if (diagnosis_ && diagnosis_->cancelled && !diagnosis_->started) {
        diagnosis_.reset();
    }
    if (diagnosis_) {
        if (!diagnosis_->started) {
            doing_ = QStringLiteral("Diagnosing");
        }
        return doctorJob();
    }
    if (ids_.isEmpty()) {
        doing_ = QStringLiteral("No device listed: add an ID or search 01-99");
        return {};
    }
    doing_ = QStringLiteral("Polling %1").arg(deviceCountText(int(ids_.size())));
    return pollJob();
}

void BusWindow::finishProbe() {
    const Probe probe = *probe_;
    probe_.reset();
    if (probe.discovery) {
        // What was found at opening is remembered when there was no list; a refused file stays
        // as it is until the user changes the list.
        if (!fileRefused_ && store_->missing() && !probe.found.isEmpty()) {
            store_->save(ids_);
            note_ = store_->notice();
        }
        if (probe.found.isEmpty() && note_.isEmpty()) {
            note_ = QStringLiteral("No device answered at IDs 01-09: add an ID or search 01-99");
        }
        return;
    }
    if (!probe.found.isEmpty()) {
        fileRefused_ = false;
        store_->save(ids_);
    }
    const QString found = probe.found.isEmpty() ? QStringLiteral("no new device")
                                                : QStringLiteral("%1 (%2)").arg(
                                                      deviceCountText(int(probe.found.size())),
                                                      probe.found.join(QStringLiteral(", ")));
    note_ = (probe.cancelled ? QStringLiteral("Search cancelled: found %1")
                             : QStringLiteral("Search done: found %1"))
                .arg(found);
    if (!store_->notice().isEmpty()) {
        note_ += QStringLiteral("; ") + store_->notice();
    }
}

LineEngine::Job BusWindow::openJob() {
    return [this, port = values.ComPortNumber, baud = values.Baudrate](LineEngine::Line& line) {
        if (const auto failure = busLine_.open(line, port, baud)) {
            line.show([this, message = *failure] { lineFailed(message); });
        }
    };
}

LineEngine::Job BusWindow::probeJob(const QString& id) {
    return [this, id](LineEngine::Line& line) {
        const bool found = busLine_.probe(line, id);
        const QString failure = busLine_.failure();
        line.show([this, id, found, failure] {
            probed(id, found);
            if (!failure.isEmpty()) {
                lineFailed(failure);
            }
        });
    };
}

void BusWindow::probed(const QString& id, bool found) {
    if (!probe_) {
        return;
    }
    Progress->setValue(probe_->total - int(probe_->waiting.size()));
    if (found && !ids_.contains(id)) {
        probe_->found << id;
        ids_ = withId(ids_, id);
        Devices->setIds(ids_);
    }
}

LineEngine::Job BusWindow::pollJob() {
    return [this, ids = ids_](LineEngine::Line& line) {
        const std::optional<BusRow> row = busLine_.pollNext(ids);
        const QString failure = busLine_.failure();
        line.show([this, row, failure] {
            if (row) {
                polled(*row);
            }
            if (!failure.isEmpty()) {
                lineFailed(failure);
            }
        });
    };
}

void BusWindow::polled(const BusRow& row) {
    Devices->showRow(row);
    lastAnswerMs_[row.id] = row.lastAnswerMs;
    pollRate_.note(nowMs(), ++polls_);
}

LineEngine::Job BusWindow::doctorJob() {
    Diagnosis& d = *diagnosis_;
    const bool start = !d.started;
    d.started = true;
    return [this, plan = d.plan, start, cancel = d.cancelled](LineEngine::Line& line) {
        if (start) {
            busLine_.startDoctor(line, plan);
        }
        if (busLine_.doctorStep(cancel)) {
            line.show([this, done = busLine_.doctorStepsDone(), total = busLine_.doctorStepsTotal(),
                       text = busLine_.doctorStepText()] { doctorStepped(done, total, text); });
            return;
        }
        line.show([this, report = busLine_.finishDoctor()] { doctorFinished(report); });
    };
}

void BusWindow::doctorStepped(int done, int total, const QString& text) {
    Progress->setRange(0, std::max(1, total));
    Progress->setValue(std::min(done, total));
    doing_ = QStringLiteral("Diagnosing: %1").arg(text);
    refreshStatus();
}

void BusWindow::doctorFinished(const QString& report) {
    const bool cancelled = diagnosis_ && diagnosis_->cancelled;
    diagnosis_.reset();
    showWorkControls();
    note_ = cancelled ? QStringLiteral("Diagnosis cancelled") : QStringLiteral("Diagnosis done");
    auto* window = new ReportWindow(report, this);
    window->show();
}

void BusWindow::lineFailed(const QString& failure) {
    failure_ = failure;
    probe_.reset();
    showWorkControls();
    refreshStatus();
}

void BusWindow::refreshStatus() {
    pollRate_.note(nowMs(), polls_);
    const double passes = ids_.isEmpty() ? 0.0 : pollRate_.perSecond() / double(ids_.size());
    QStringList parts{QStringLiteral("%1 passes/s").arg(passes, 0, 'f', 1),
                      failure_.isEmpty() ? doing_ : failure_};
    if (!note_.isEmpty()) {
        parts << note_;
    }
    StatusLine->setText(parts.join(QStringLiteral("  \u00b7  ")));
}
