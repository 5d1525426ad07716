#include "main_window/control_panel.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>

#include "widgets/ui_helpers.h"

namespace {

QLineEdit* entry(const char* name, const QString& initial) {
    auto* box = named<QLineEdit>(name, initial);
    box->setMaximumWidth(90);
    return box;
}

QPushButton* plainButton(const char* name, const QString& caption) {
    return named<QPushButton>(name, caption);
}

}  // namespace

ControlPanel::ControlPanel()
    : frame(named<QGroupBox>("ControlFrame", QStringLiteral("Control"))),
      JOGP(pictureButton("JOGP", QStringLiteral("JOG+"), glyphIcon(Glyph::ArrowRight))),
      JOGN(pictureButton("JOGN", QStringLiteral("JOG-"), glyphIcon(Glyph::ArrowLeft))),
      HOMEP(pictureButton("HOMEP", QStringLiteral("H+"), glyphIcon(Glyph::HomeRight))),
      HOMEN(pictureButton("HOMEN", QStringLiteral("H-"), glyphIcon(Glyph::HomeLeft))),
      HOMELP(pictureButton("HOMELP", QStringLiteral("HL+"), glyphIcon(Glyph::HomeRight))),
      HOMELN(pictureButton("HOMELN", QStringLiteral("HL-"), glyphIcon(Glyph::HomeLeft))),
      LHOMEP(pictureButton("LHOMEP", QStringLiteral("L+"), glyphIcon(Glyph::HomeRight))),
      LHOMEN(pictureButton("LHOMEN", QStringLiteral("L-"), glyphIcon(Glyph::HomeLeft))),
      ZHOMEPLUS(pictureButton("ZHOMEPLUS", QStringLiteral("ZH+"), glyphIcon(Glyph::HomeRight))),
      ZHOMEMINUS(pictureButton("ZHOMEMINUS", QStringLiteral("ZH-"), glyphIcon(Glyph::HomeLeft))),
      Command4(pictureButton("Command4", QStringLiteral("Z+"), glyphIcon(Glyph::HomeRight))),
      Command3(pictureButton("Command3", QStringLiteral("Z-"), glyphIcon(Glyph::HomeLeft))),
      RSTOP(pictureButton("RSTOP", QStringLiteral("RSTOP"), glyphIcon(Glyph::Stop))),
      ISTOP(pictureButton("ISTOP", QStringLiteral("ISTOP"), glyphIcon(Glyph::Abort))),
      ABSMode(plainButton("ABSMode", QStringLiteral("ABS"))),
      INCMode(plainButton("INCMode", QStringLiteral("INC"))),
      abs(pictureButton("abs", QStringLiteral("ABS"), glyphIcon(Glyph::Target))),
      Command5(plainButton("Command5", QStringLiteral("SP"))),
      Command6(plainButton("Command6", QStringLiteral("SE"))),
      Datum(pictureButton("Datum", QStringLiteral("DATUM"), glyphIcon(Glyph::Datum))),
      SetPosition(entry("SetPosition", QStringLiteral("1000"))),
      SetSpeed(entry("SetSpeed", QStringLiteral("1000"))),
      LSpeed(entry("LSpeed", QStringLiteral("300"))),
      Accel(entry("Accel", QStringLiteral("300"))),
      Decel(entry("Decel", QStringLiteral("300"))),
      Command11(plainButton("Command11", QStringLiteral("Scurve"))),
      Command12(plainButton("Command12", QStringLiteral("Trap"))),
      EnableStat(named<QCheckBox>("EnableStat")) {
    auto* grid = new QGridLayout(frame);
    grid->setHorizontalSpacing(4);
    // Motion buttons in pairs, positive direction left, negative right.
    const QList<QPair<QToolButton*, QToolButton*>> pairs = {
        {JOGP, JOGN},     {HOMEP, HOMEN},          {HOMELP, HOMELN},
        {LHOMEP, LHOMEN}, {ZHOMEPLUS, ZHOMEMINUS}, {Command4, Command3}};
    for (int i = 0; i < pairs.size(); ++i) {
        grid->addWidget(pairs[i].first, i / 3, i % 3 * 2);
        grid->addWidget(pairs[i].second, i / 3, i % 3 * 2 + 1);
    }
    auto* stops = new QHBoxLayout;
    for (QToolButton* b : {RSTOP, ISTOP, Datum, abs}) {
        stops->addWidget(b);
    }
    grid->addLayout(stops, 2, 0, 1, 6);

    auto* move = new QHBoxLayout;
    move->addWidget(new QLabel(QStringLiteral("Position")));
    move->addWidget(SetPosition);
    move->addWidget(Command5);
    move->addWidget(Command6);
    move->addStretch();
    move->addWidget(EnableStat);
    move->addWidget(new QLabel(QStringLiteral("Enable")));
    grid->addLayout(move, 3, 0, 1, 6);

    auto* mode = new QHBoxLayout;
    mode->addWidget(ABSMode);
    mode->addWidget(INCMode);
    mode->addSpacing(16);
    mode->addWidget(Command11);
    mode->addWidget(Command12);
    grid->addLayout(mode, 4, 0, 1, 6);

    auto* profile = new QGridLayout;
    const QList<QPair<QString, QLineEdit*>> entries = {{QStringLiteral("HSPD"), SetSpeed},
                                                       {QStringLiteral("LSPD"), LSpeed},
                                                       {QStringLiteral("Accel"), Accel},
                                                       {QStringLiteral("Decel"), Decel}};
    for (int i = 0; i < entries.size(); ++i) {
        profile->addWidget(new QLabel(entries[i].first), 0, i);
        profile->addWidget(entries[i].second, 1, i);
    }
    grid->addLayout(profile, 5, 0, 1, 6);
}
