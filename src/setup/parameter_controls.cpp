#include "setup/parameter_controls.h"

#include <QFormLayout>
#include <QGridLayout>
#include <QLabel>

#include "widgets/ui_helpers.h"

namespace {

QLineEdit* entry(const char* name, const QString& initial) {
    auto* box = named<QLineEdit>(name, initial);
    box->setMinimumWidth(70);
    return box;
}

QCheckBox* checkBox(const char* name, const char* caption) {
    return named<QCheckBox>(name, QString::fromLatin1(caption));
}

}  // namespace

ParameterControls::ParameterControls()
    : miscFrame(named<QGroupBox>("MiscFrame", QStringLiteral("Misc"))),
      EOBOOT(entry("EOBOOT", QString())),
      DOBOOT(entry("DOBOOT", QString())),
      EDOenable(checkBox("EDOenable", "Alm/InPos")),
      DecEnable(checkBox("DecEnable", "Enable DEC")),
      limitHomeFrame(named<QGroupBox>("LimitHomeFrame", QStringLiteral("Limit Home"))),
      LCA(entry("LCA", QStringLiteral("300"))),
      ReturnZero(checkBox("ReturnZero", "RZ")),
      posGuardFrame(named<QGroupBox>("PosGuardFrame", QStringLiteral("Pos Guard"))),
      PosGuardEnable(checkBox("PosGuardEnable", "Enable")),
      PosGuardMaxAttempt(entry("PosGuardMaxAttempt", QStringLiteral("1"))),
      PosGuardTolRange(entry("PosGuardTolRange", QStringLiteral("1"))),
      PosGuardErrorRange(entry("PosGuardErrorRange", QStringLiteral("1"))),
      PosGuardHighSpeed(entry("PosGuardHighSpeed", QStringLiteral("1"))),
      PosGuardIdleTime(entry("PosGuardIdleTime", QStringLiteral("1"))),
      PosGuardRatio(entry("PosGuardRatio", QStringLiteral("1"))),
      currentFrame(named<QGroupBox>("CurrentFrame", QStringLiteral("Current"))),
      RunCurrent(entry("RunCurrent", QStringLiteral("1"))),
      IdleCurrent(entry("IdleCurrent", QStringLiteral("1"))),
      IdleTime(entry("IdleTime", QStringLiteral("1"))) {
    buildMisc();
    buildLimitHome();
    buildPosGuard();
    buildCurrent();
}

void ParameterControls::buildMisc() {
    auto* form = new QFormLayout(miscFrame);
    form->addRow(QStringLiteral("EOBOOT"), EOBOOT);
    form->addRow(QStringLiteral("DOBOOT"), DOBOOT);
    form->addRow(EDOenable);
    form->addRow(DecEnable);
}

void ParameterControls::buildLimitHome() {
    auto* form = new QFormLayout(limitHomeFrame);
    form->addRow(QStringLiteral("LCA"), LCA);
    form->addRow(ReturnZero);
}

void ParameterControls::buildPosGuard() {
    auto* form = new QFormLayout(posGuardFrame);
    form->addRow(PosGuardEnable);
    form->addRow(QStringLiteral("Max Attempt"), PosGuardMaxAttempt);
    form->addRow(QStringLiteral("Tolerance"), PosGuardTolRange);
    form->addRow(QStringLiteral("Error Range"), PosGuardErrorRange);
    form->addRow(QStringLiteral("Correction Spd"), PosGuardHighSpeed);
    form->addRow(QStringLiteral("Idle Time"), PosGuardIdleTime);
    form->addRow(QStringLiteral("Ratio"), PosGuardRatio);
}

void ParameterControls::buildCurrent() {
    auto* grid = new QGridLayout(currentFrame);
    const struct {
        const char* label;
        QLineEdit* box;
        const char* unit;
    } rows[] = {{"Run", RunCurrent, "mA"}, {"Idle", IdleCurrent, "mA"}, {"Time", IdleTime, "mS"}};
    int row = 0;
    for (const auto& r : rows) {
        grid->addWidget(new QLabel(QString::fromLatin1(r.label)), row, 0);
        grid->addWidget(r.box, row, 1);
        grid->addWidget(new QLabel(QString::fromLatin1(r.unit)), row, 2);
        ++row;
    }
}

QList<ParameterControls::TextParameter> ParameterControls::textParameters() const {
    return {{"CURR", RunCurrent},      {"CURI", IdleCurrent},       {"CURT", IdleTime},
            {"SLT", PosGuardTolRange}, {"SLE", PosGuardErrorRange}, {"SLA", PosGuardMaxAttempt},
            {"SLR", PosGuardRatio},    {"SLH", PosGuardHighSpeed},  {"SLI", PosGuardIdleTime}};
}
