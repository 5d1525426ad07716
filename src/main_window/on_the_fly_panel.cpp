#include "main_window/on_the_fly_panel.h"

#include <QGridLayout>
#include <QLabel>

#include "widgets/ui_helpers.h"

OnTheFlyPanel::OnTheFlyPanel()
    : positionFrame(
          named<QGroupBox>("OnTheFlyPositionFrame", QStringLiteral("On-The-Fly Target Position"))),
      OnTheFlyPos(named<QLineEdit>("OnTheFlyPos", QStringLiteral("1000"))),
      Command10(named<QPushButton>("Command10", QStringLiteral("Change Position"))),
      speedFrame(named<QGroupBox>("OnTheFlySpeedFrame", QStringLiteral("On-The-Fly-Speed"))),
      SSPDX(named<QLineEdit>("SSPDX", QStringLiteral("1000"))),
      SSPDAcc(named<QLineEdit>("SSPDAcc", QStringLiteral("1000"))),
      Command9(named<QPushButton>("Command9", QStringLiteral("Set Speed"))),
      SSPDModeCombo(named<QComboBox>("SSPDModeCombo")),
      Command8(named<QPushButton>("Command8", QStringLiteral("Set SSPDM"))) {
    SSPDModeCombo->setEditable(true);
    SSPDModeCombo->setInsertPolicy(QComboBox::NoInsert);
    for (QWidget* w : {static_cast<QWidget*>(OnTheFlyPos), static_cast<QWidget*>(SSPDX),
                       static_cast<QWidget*>(SSPDAcc), static_cast<QWidget*>(SSPDModeCombo)}) {
        w->setMaximumWidth(90);
    }

    auto* position = new QGridLayout(positionFrame);
    position->addWidget(new QLabel(QStringLiteral("Position")), 0, 0);
    position->addWidget(OnTheFlyPos, 0, 1);
    position->addWidget(Command10, 0, 2);

    auto* speed = new QGridLayout(speedFrame);
    speed->addWidget(new QLabel(QStringLiteral("Speed")), 0, 0);
    speed->addWidget(SSPDX, 0, 1);
    speed->addWidget(new QLabel(QStringLiteral("Accel")), 1, 0);
    speed->addWidget(SSPDAcc, 1, 1);
    speed->addWidget(Command9, 0, 2, 2, 1);
    speed->addWidget(new QLabel(QStringLiteral("SSPDM")), 2, 0);
    speed->addWidget(SSPDModeCombo, 2, 1);
    speed->addWidget(Command8, 2, 2);
}
