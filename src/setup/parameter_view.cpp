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

// Each control whose value in s differs from before (all of them without before) takes it.
void showInControls(const ParameterSet& s, const ParameterSet* before, SetupControls& c) {
    const auto changed = [&](auto field) { return !before || s.*field != before->*field; };
    ParameterControls& p = c.params;
    if (changed(&ParameterSet::polarity)) {
        c.polarity.setWord(s.polarity);
    }
    const std::pair<QString ParameterSet::*, QLineEdit*> texts[] = {
        {&ParameterSet::LCA, p.LCA},
        {&ParameterSet::doBoot, p.DOBOOT},
        {&ParameterSet::eoBoot, p.EOBOOT},
    };
    for (const auto& [field, edit] : texts) {
        if (changed(field)) {
            edit->setText(s.*field);
        }
    }
    for (const auto& t : kTextParameters) {
        if (changed(t.field)) {
            box(p, t.key)->setText(s.*t.field);
        }
    }
    if (changed(&ParameterSet::method)) {
        c.comm.selectMethod(s.method);
    }
    const std::pair<QString ParameterSet::*, QComboBox*> lists[] = {
        {&ParameterSet::deviceId, c.comm.DeviceIDCombo},
        {&ParameterSet::nodeId, c.comm.NodeIDCombo1},
        {&ParameterSet::serialBaud, c.comm.baudCombo},
        {&ParameterSet::canBitRate, c.comm.CANbaudCombo},
    };
    for (const auto& [field, list] : lists) {
        if (changed(field)) {
            selectOrClear(list, s.*field);
        }
    }
    const std::pair<bool ParameterSet::*, QAbstractButton*> checks[] = {
        {&ParameterSet::posGuardEnable, p.PosGuardEnable},
        {&ParameterSet::edoEnable, p.EDOenable},
        {&ParameterSet::returnZero, p.ReturnZero},
        {&ParameterSet::decEnable, p.DecEnable},
        {&ParameterSet::RT, c.comm.RT},
    };
    for (const auto& [field, check] : checks) {
        if (changed(field)) {
            check->setChecked(s.*field);
        }
    }
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
    showInControls(s, nullptr, c);
}

void showParameterChanges(const ParameterSet& before, const ParameterSet& s, SetupControls& c) {
    showInControls(s, &before, c);
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
