#include "main_window/sync_panel.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QLabel>

#include "widgets/ui_helpers.h"

SyncPanel::SyncPanel()
    : frame(named<QGroupBox>("SyncFrame", QStringLiteral("Sync Output"))),
      SyncStat(valueDisplay("SyncStat", QStringLiteral("OFF"))),
      SyncEqual(named<QRadioButton>("SyncEqual", QStringLiteral("="))),
      SyncLessThan(named<QRadioButton>("SyncLessThan", QStringLiteral("<"))),
      SyncGreaterThan(named<QRadioButton>("SyncGreaterThan", QStringLiteral(">"))),
      SyncPos(named<QLineEdit>("SyncPos")),
      SyncEnable(named<QCheckBox>("SyncEnable", QStringLiteral("Enable"))) {
    SyncStat->setAlignment(Qt::AlignCenter);
    auto* group = new QButtonGroup(frame);
    for (QRadioButton* option : {SyncEqual, SyncLessThan, SyncGreaterThan}) {
        group->addButton(option);
    }
    SyncPos->setMaximumWidth(90);

    auto* grid = new QGridLayout(frame);
    grid->addWidget(new QLabel(QStringLiteral("Status")), 0, 0);
    grid->addWidget(SyncStat, 0, 1, 1, 3);
    grid->addWidget(SyncEqual, 1, 0);
    grid->addWidget(SyncLessThan, 1, 1);
    grid->addWidget(SyncGreaterThan, 1, 2);
    grid->addWidget(new QLabel(QStringLiteral("Sync Pos")), 2, 0);
    grid->addWidget(SyncPos, 2, 1, 1, 2);
    grid->addWidget(SyncEnable, 2, 3);
}

void SyncPanel::showComparison(int code) {
    switch (code) {
        case 1:
            SyncEqual->setChecked(true);
            break;
        case 2:
            SyncLessThan->setChecked(true);
            break;
        case 3:
            SyncGreaterThan->setChecked(true);
            break;
        default:
            break;
    }
}

void SyncPanel::reset() {
    SyncEqual->setChecked(true);
    SyncPos->setText(QStringLiteral("0"));
}
