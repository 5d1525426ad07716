#include "setup/parameter_view.h"

#include <QScopedValueRollback>

#include "setup/setup_controls.h"

namespace {

// An empty value stands for a list with nothing selected.
QLineEdit* box(const ParameterControls& p, const char* key) {
    for (const auto& t : p.textParameters()) {
        if (qstrcmp(t.key, key) == 0) {
            return t.box;
        }
    }
    return nullptr;
}

}  // namespace

ParameterSet parameterSetFrom(const SetupControls& c) {
    const ParameterControls& p = c.params;
    ParameterSet s;
    s.polarity = c.polarity.word();
    s.LCA = p.LCA->text();
    s.posGuardEnable = p.PosGuardEnable->isChecked();
    for (const auto& t : kTextParameters) {
        s.*t.field = box(p, t.key)->text();
    }
    s.method = c.comm.method();
    s.deviceId = c.comm.DeviceIDCombo->currentText();
    s.nodeId = c.comm.NodeIDCombo1->currentText();
    s.serialBaud = c.comm.baudCombo->currentText();
    s.canBitRate = c.comm.CANbaudCombo->currentText();
    s.edoEnable = p.EDOenable->isChecked();
    s.doBoot = p.DOBOOT->text();
    s.eoBoot = p.EOBOOT->text();
    s.returnZero = p.ReturnZero->isChecked();
    s.decEnable = p.DecEnable->isChecked();
    s.RT = c.comm.RT->isChecked();
    return s;
}

void showParameterSet(const ParameterSet& s, SetupControls& c) {
    ParameterControls& p = c.params;
    c.polarity.setWord(s.polarity);
    p.LCA->setText(s.LCA);
    p.PosGuardEnable->setChecked(s.posGuardEnable);
    for (const auto& t : kTextParameters) {
        box(p, t.key)->setText(s.*t.field);
    }
    c.comm.selectMethod(s.method);
    selectOrClear(c.comm.DeviceIDCombo, s.deviceId);
    selectOrClear(c.comm.NodeIDCombo1, s.nodeId);
    selectOrClear(c.comm.baudCombo, s.serialBaud);
    selectOrClear(c.comm.CANbaudCombo, s.canBitRate);
    p.EDOenable->setChecked(s.edoEnable);
    p.DOBOOT->setText(s.doBoot);
    p.EOBOOT->setText(s.eoBoot);
    p.ReturnZero->setChecked(s.returnZero);
    p.DecEnable->setChecked(s.decEnable);
    c.comm.RT->setChecked(s.RT);
}

void JobReporter::tell(const QString& text) {
    showSoFar();
    prompter_.info(text);
}

bool JobReporter::confirm(const QString& text, const QString& title) {
    showSoFar();
    return prompter_.ask(text, title);
}

void JobReporter::showSoFar() {
    if (showSoFar_) {
        showSoFar_();
    }
}

void JobReporter::runOn(ParameterSet& set, const std::function<void(ParameterSet&)>& operation,
                        const Show& show) {
    // Each display takes a copy: the set goes on changing in this thread.
    const auto showNow = [this, &set, &show] { line_.show([show, set] { show(set); }); };
    {
        const QScopedValueRollback<std::function<void()>> showing(showSoFar_, showNow);
        operation(set);
    }
    showNow();
}
