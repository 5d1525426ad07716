#include "connect/search_com.h"

#include <QHBoxLayout>
#include <QShowEvent>
#include <QVBoxLayout>

#include "widgets/prompter.h"
#include "widgets/ui_helpers.h"

SearchCom::SearchCom(const WindowServices& services, QWidget* parent)
    : QDialog(parent),
      ProgressLabel(named<QLabel>("ProgressLabel", QStringLiteral("Progress"))),
      Progress(named<QProgressBar>("Progress")),
      Cancel(named<QPushButton>("Cancel", QStringLiteral("Cancel"))),
      StatusTimer(named<QTimer>("StatusTimer", this)),
      services_(services),
      prompter_(services.prompter) {
    setObjectName(QStringLiteral("SearchCom"));
    setWindowTitle(QStringLiteral("Search NVQ Device"));
    Progress->setRange(0, kProgressMax);
    Progress->setValue(0);
    Progress->setTextVisible(false);
    Cancel->setDefault(true);
    StatusTimer->setInterval(100);
    buildLayout();
    connect(StatusTimer, &QTimer::timeout, this, &SearchCom::StatusTimer_Timer);
    connect(Cancel, &QPushButton::clicked, this, &SearchCom::Cancel_Click);
}

SearchCom::~SearchCom() {
    endScan();
}

void SearchCom::buildLayout() {
    ProgressLabel->setMinimumWidth(300);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(ProgressLabel);
    layout->addWidget(Progress);
    layout->addLayout(buttons);
    setFixedSize(sizeHint());
}

void SearchCom::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous()) {
        load();
    }
}

void SearchCom::load() {
    endScan();
    reset();
    busy_ = false;
    cancelled_ = false;
    showState();
    showing_ = std::make_unique<QObject>();
    engine_ = std::make_unique<LineEngine>(services_.makePort);
    engine_->post(beginJob(), showing_.get());
    StatusTimer->start();
}

// The line side starts from the variables as the opener set them and the showing reset them.
LineEngine::Job SearchCom::beginJob() {
    return [this, start = static_cast<const ScanState&>(*this)](LineEngine::Line& line) {
        lineScan_ = std::make_unique<PortScan>(line.port());
        static_cast<ScanState&>(*lineScan_) = start;
    };
}

void SearchCom::StatusTimer_Timer() {
    if (busy_ || !StatusTimer->isActive() || !engine_) {
        return;
    }
    busy_ = true;
    engine_->post(stepJob(cancelled_), showing_.get(), [this] { busy_ = false; });
}

// One step of the scan; Cancel, as it was when the step was given, ends the scan there.
LineEngine::Job SearchCom::stepJob(bool cancelled) {
    return [this, cancelled](LineEngine::Line& line) {
        PortScan& scan = *lineScan_;
        if (cancelled) {
            scan.StartSearch = false;
        }
        const ScanTick outcome = scan.tick();
        line.show([this, state = static_cast<const ScanState&>(scan), outcome] {
            stepDone(state, outcome);
        });
    };
}

void SearchCom::stepDone(const ScanState& state, ScanTick outcome) {
    adopt(state);
    showState();
    if (outcome == ScanTick::Continue) {
        return;
    }
    // No further step, also not from a tick while the message below is open.
    StatusTimer->stop();
    if (outcome == ScanTick::NoPortAvailable && prompter_) {
        prompter_->info(QStringLiteral("No Port Available!"));
    }
    close();
}

void SearchCom::adopt(const ScanState& state) {
    static_cast<ScanState&>(*this) = state;
    if (cancelled_) {
        StartSearch = false;
    }
}

void SearchCom::Cancel_Click() {
    cancelled_ = true;
    StartSearch = false;
}

void SearchCom::showState() {
    ProgressLabel->setText(caption);
    Progress->setValue(progress);
}

void SearchCom::done(int result) {
    StatusTimer->stop();
    endScan();
    QDialog::done(result);
}

// The engine ends the step under way, closes the port and ends its thread before it is gone;
// the scan then stands where that step left it.
void SearchCom::endScan() {
    engine_.reset();
    showing_.reset();
    if (lineScan_) {
        adopt(*lineScan_);
        lineScan_.reset();
    }
}
