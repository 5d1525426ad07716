#include "connect/search_com.h"

#include <QHBoxLayout>
#include <QScopedValueRollback>
#include <QShowEvent>
#include <QVBoxLayout>

#include "widgets/prompter.h"
#include "widgets/ui_helpers.h"

SearchCom::SearchCom(const WindowServices& services, QWidget* parent)
    : QDialog(parent),
      PortScan(services.makePort()),
      ProgressLabel(named<QLabel>("ProgressLabel", QStringLiteral("Progress"))),
      Progress(named<QProgressBar>("Progress")),
      Cancel(named<QPushButton>("Cancel", QStringLiteral("Cancel"))),
      StatusTimer(named<QTimer>("StatusTimer", this)),
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
    reset();
    showState();
    StatusTimer->start();
}

void SearchCom::StatusTimer_Timer() {
    // The scan runs only while its timer does: a tick that arrives after the window closed, or
    // while an earlier tick still runs, does nothing.
    if (busy_ || !StatusTimer->isActive()) {
        return;
    }
    QScopedValueRollback<bool> busy(busy_, true);
    const ScanTick outcome = tick();
    showState();
    if (outcome == ScanTick::NoPortAvailable && prompter_) {
        prompter_->info(QStringLiteral("No Port Available!"));
    }
    if (outcome != ScanTick::Continue) {
        close();
    }
}

void SearchCom::Cancel_Click() {
    StartSearch = false;
}

void SearchCom::showState() {
    ProgressLabel->setText(caption);
    Progress->setValue(progress);
}

void SearchCom::done(int result) {
    StatusTimer->stop();
    closePort();
    QDialog::done(result);
}
