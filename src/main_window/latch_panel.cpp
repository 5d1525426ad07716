#include "main_window/latch_panel.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>

#include "widgets/status_colors.h"
#include "widgets/ui_helpers.h"

LatchPanel::LatchPanel()
    : frame(named<QGroupBox>("LatchFrame", QStringLiteral("Latch Input"))),
      LatchStat(valueDisplay("LatchStat", QStringLiteral("OFF"))),
      LatchPos(valueDisplay("LatchPos")),
      LatchEnc(valueDisplay("LatchEnc")),
      LatchIn(named<Lamp>("LatchIn", StatusColors::kDarkGreen)),
      EnableLatch(named<QCheckBox>("EnableLatch")) {
    LatchStat->setAlignment(Qt::AlignCenter);
    auto* grid = new QGridLayout(frame);
    grid->addWidget(new QLabel(QStringLiteral("Status")), 0, 0);
    grid->addWidget(LatchStat, 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("Pos")), 1, 0);
    grid->addWidget(LatchPos, 1, 1);
    grid->addWidget(new QLabel(QStringLiteral("Enc")), 2, 0);
    grid->addWidget(LatchEnc, 2, 1);
    auto* row = new QHBoxLayout;
    row->addWidget(LatchIn);
    row->addWidget(new QLabel(QStringLiteral("Input")));
    row->addStretch();
    row->addWidget(EnableLatch);
    row->addWidget(new QLabel(QStringLiteral("Enable")));
    grid->addLayout(row, 3, 0, 1, 2);
}
