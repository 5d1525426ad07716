#include "main_window/status_panel.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>

#include "widgets/status_colors.h"
#include "widgets/ui_helpers.h"

namespace {

QPushButton* smallButton(const char* name, const QString& caption) {
    auto* button = named<QPushButton>(name, caption);
    button->setFixedWidth(28);
    return button;
}

// A lamp with its label to the right.
QWidget* lampWithLabel(Lamp* lamp, const QString& label) {
    auto* box = new QWidget;
    auto* row = new QHBoxLayout(box);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(3);
    row->addWidget(lamp);
    row->addWidget(new QLabel(label));
    return box;
}

}  // namespace

StatusPanel::StatusPanel()
    : frame(named<QGroupBox>("StatusFrame", QStringLiteral("Status"))),
      Pos(valueDisplay("Pos", QString(), 100)),
      Enc(valueDisplay("Enc", QString(), 100)),
      Speed(valueDisplay("Speed", QString(), 100)),
      delta(valueDisplay("delta", QString(), 100)),
      CurCurrent(valueDisplay("CurCurrent", QString(), 100)),
      Stat(valueDisplay("Stat", QStringLiteral("IDLE"), 100)),
      PosGuardStatus(valueDisplay("PosGuardStatus", QString(), 100)),
      MoveMode(valueDisplay("MoveMode", QString(), 100)),
      ResetPos(smallButton("ResetPos", QStringLiteral("R"))),
      ResetEnc(smallButton("ResetEnc", QStringLiteral("R"))),
      clear(smallButton("clear", QStringLiteral("C"))),
      PosLim(named<Lamp>("PosLim", StatusColors::kDarkGreen)),
      Home(named<Lamp>("Home", StatusColors::kDarkGreen)),
      NegLim(named<Lamp>("NegLim", StatusColors::kDarkGreen)),
      ZIndex(named<Lamp>("ZIndex", StatusColors::kDarkGreen)),
      Scv(named<Lamp>("Scv", StatusColors::kDarkGreen)) {
    for (QLineEdit* text : {Stat, PosGuardStatus, MoveMode}) {
        text->setAlignment(Qt::AlignCenter);
    }
    auto* grid = new QGridLayout(frame);
    int row = 0;
    const auto addRow = [&](const QString& label, QWidget* value, QWidget* extra) {
        grid->addWidget(new QLabel(label), row, 0);
        grid->addWidget(value, row, 1);
        if (extra) {
            grid->addWidget(extra, row, 2);
        }
        ++row;
    };
    addRow(QStringLiteral("Position"), Pos, ResetPos);
    addRow(QStringLiteral("Encoder"), Enc, ResetEnc);
    addRow(QStringLiteral("Speed"), Speed, nullptr);
    addRow(QStringLiteral("Delta"), delta, nullptr);
    addRow(QStringLiteral("Current"), CurCurrent, nullptr);
    addRow(QStringLiteral("Status"), Stat, clear);
    addRow(QStringLiteral("PosGuard"), PosGuardStatus, nullptr);
    addRow(QStringLiteral("Mode"), MoveMode, nullptr);

    auto* lamps = new QHBoxLayout;
    lamps->addWidget(lampWithLabel(PosLim, QStringLiteral("+L")));
    lamps->addWidget(lampWithLabel(Home, QStringLiteral("H")));
    lamps->addWidget(lampWithLabel(NegLim, QStringLiteral("-L")));
    lamps->addWidget(lampWithLabel(ZIndex, QStringLiteral("Z")));
    lamps->addStretch();
    lamps->addWidget(lampWithLabel(Scv, QStringLiteral("S-curve")));
    grid->addLayout(lamps, row, 0, 1, 3);
}
