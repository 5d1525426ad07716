#include "setup/parameter_file_commands.h"

#include <QFile>
#include <QFileInfo>
#include <array>
#include <functional>

#include "setup/parameter_view.h"
#include "setup/setup_controls.h"
#include "setup/setup_messages.h"
#include "widgets/prompter.h"

namespace {

// A parameter file is a few hundred bytes; a file picked by mistake is not read whole.
constexpr qint64 kMaxParameterFileBytes = 1 << 20;

// An empty line stands for a list with nothing selected.
// Lines of a message are joined with a carriage return.
QString lines(const QString& first, const QString& second) {
    return first + QLatin1Char('\r') + second;
}

}  // namespace

ParameterFileValues fileValuesFrom(const SetupControls& controls) {
    return parameterSetFrom(controls);
}

void applyFileValues(const ParameterFileRead& read, SetupControls& c) {
    const ParameterFileValues& v = read.values;
    ParameterControls& p = c.params;
    // One setter per file line, in line order.
    const std::array<std::function<void()>, kParameterFileLines> setters{
        [&] { c.polarity.setWord(v.polarity); },
        [&] { p.LCA->setText(v.LCA); },
        [&] { p.PosGuardEnable->setChecked(v.posGuardEnable); },
        [&] { p.RunCurrent->setText(v.runCurrent); },
        [&] { p.IdleCurrent->setText(v.idleCurrent); },
        [&] { p.IdleTime->setText(v.idleTime); },
        [&] { p.PosGuardTolRange->setText(v.posGuardTolerance); },
        [&] { p.PosGuardErrorRange->setText(v.posGuardErrorRange); },
        [&] { p.PosGuardMaxAttempt->setText(v.posGuardMaxAttempt); },
        [&] { p.PosGuardHighSpeed->setText(v.posGuardHighSpeed); },
        [&] { p.PosGuardIdleTime->setText(v.posGuardIdleTime); },
        [&] { c.comm.selectMethod(v.method); },
        [&] { selectOrClear(c.comm.DeviceIDCombo, v.deviceId); },
        [&] { selectOrClear(c.comm.NodeIDCombo1, v.nodeId); },
        [&] { selectOrClear(c.comm.baudCombo, v.serialBaud); },
        [&] { selectOrClear(c.comm.CANbaudCombo, v.canBitRate); },
        [] {},  // reserved
        [&] { p.EDOenable->setChecked(v.edoEnable); },
        [&] { p.DOBOOT->setText(v.doBoot); },
        [&] { p.EOBOOT->setText(v.eoBoot); },
        [&] { p.ReturnZero->setChecked(v.returnZero); },
    };
    for (int line = 1; line <= read.usableLines; ++line) {
        setters[static_cast<size_t>(line - 1)]();
    }
}

void saveParameters(Prompter& prompter, const SetupControls& controls) {
    const std::optional<QString> name = prompter.saveFileName(
        QString::fromLatin1(kSaveTitle), QString::fromLatin1(kSaveFilter), QString());
    if (!name) {
        return;
    }
    if (name->isEmpty()) {
        prompter.info(kNoFileName);
        return;
    }
    if (name->contains(QLatin1Char('*'))) {
        return;
    }
    if (const auto failure = saveParameterFile(*name, fileValuesFrom(controls))) {
        prompter.info(lines(kSaveFailed, *name + QStringLiteral(": ") + *failure));
        return;
    }
    prompter.info(kSaveDone);
}

void openParameters(Prompter& prompter, SetupControls& controls) {
    const std::optional<QString> name =
        prompter.openFileName(QString::fromLatin1(kOpenTitle), QString::fromLatin1(kOpenFilter),
                              QString::fromLatin1(kOpenPreset));
    if (!name || name->isEmpty() || name->contains(QLatin1Char('*'))) {
        return;
    }
    if (!QFileInfo(*name).isFile()) {
        prompter.info(QStringLiteral("File ") + *name + QStringLiteral(" does not exist!"));
        return;
    }
    QFile file(*name);
    const QByteArray content =
        file.open(QIODevice::ReadOnly) ? file.read(kMaxParameterFileBytes) : QByteArray();
    if (file.error() != QFileDevice::NoError) {
        prompter.info(lines(kOpenFailed, *name + QStringLiteral(": ") + file.errorString()));
        return;
    }
    applyFileValues(readParameterFile(content), controls);
}
