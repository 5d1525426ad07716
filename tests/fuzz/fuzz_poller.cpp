// Whole polling ticks of the main window against a device that answers with arbitrary bytes.
// Whatever it answers, and wherever its port vanishes, a tick ends in bounded time, leaves the
// window free for the next, moves the rotation on unless the port was lost, tells the user of a
// lost port exactly once and then sends nothing more, and every coded display shows one of its
// texts.
//
// Input: a mode byte (bits 0-2: the rotation step less one; bit 3: the device counts as lost, so
// the tick re-identifies; bit 4: latch enable ticked; bit 5: motor enable ticked; bit 6: the port
// vanishes), the count of port operations before it vanishes, then the device's replies
// separated by 0xFF (each frame is answered by the next; then as usual).
#include <QSignalBlocker>

#include "fuzz_support.h"
#include "link/number_form.h"
#include "main_window/main_control_form.h"
#include "support/engine_settle.h"
#include "widgets/modal_runner.h"
#include "widgets/scripted_prompter.h"

namespace {

// One window for the whole run; every input starts it from the same state.
struct Window {
    Window() {
        form->session().values = {QStringLiteral("01"), QStringLiteral("9600"), 1};  // COM1
        form->load();
        settleEngines();
        form->Timer1->stop();
    }

    void reset(uint8_t mode, int vanishAfter, const QList<QByteArray>& replies) {
        hub.restore(1);
        device->faults = SimFaults{};
        device->faults.rawReplies = replies;
        MainSession& s = form->session();
        s.PausePolling = false;
        s.busy = false;
        const bool latchTicked = (mode & 16) != 0;
        const bool motorTicked = (mode & 32) != 0;
        // The line side, between two jobs: the port, the flags, the rotation, the boxes.
        s.run([this, mode, latchTicked, motorTicked](MainLine& m) {
            port = &dynamic_cast<VanishingPort&>(m.line.port());
            // A fresh open drops whatever an earlier input left on the line.
            port->close();
            port->open();
            m.values.ComPortStatus = true;
            m.values.ComStatus = (mode & 8) == 0;
            m.cycle.pollStep = mode % 8 + 1;
            m.latchShown = latchTicked;
            m.enableShown = motorTicked;
        });
        settleEngines();
        for (QLineEdit* display :
             {form->status.Stat, form->status.PosGuardStatus, form->status.MoveMode,
              form->status.CurCurrent, form->latch.LatchStat, form->sync.SyncStat}) {
            display->clear();
        }
        const QSignalBlocker latch(form->latch.EnableLatch);
        const QSignalBlocker enable(form->control.EnableStat);
        form->latch.EnableLatch->setChecked(latchTicked);
        form->control.EnableStat->setChecked(motorTicked);
        hub.clearLines();
        prompter.clear();
        s.run([this, mode, vanishAfter](MainLine&) {
            port->vanishAfter((mode & 64) != 0 ? vanishAfter : -1);
        });
        settleEngines();
    }

    SimHub hub;
    SimDevice* device = &hub.addPort(1).addDevice(1);
    ScriptedPrompter prompter;
    ScriptedModalRunner modal;
    MainControlForm* form =
        new MainControlForm({[this] { return std::make_unique<VanishingPort>(hub); }, &prompter,
                             &modal, nullptr, [this] { return hub.nowMs(); }});
    VanishingPort* port = nullptr;  // the window's, made in its line's thread
};

bool isNumber(const QString& text) {
    const auto value = readInt32(text);
    return value && QString::number(*value) == text;
}

// Every coded display shows one of its texts, or nothing yet.
void checkDisplays(MainControlForm& f) {
    const auto shows = [](const QLineEdit* display, const QStringList& texts) {
        return display->text().isEmpty() || texts.contains(display->text());
    };
    fuzzCheck(shows(f.status.Stat, kMotionTexts), "motion status text");
    fuzzCheck(shows(f.status.PosGuardStatus, kPosGuardTexts), "Pos Guard text");
    fuzzCheck(shows(f.status.MoveMode, {"ABS", "INC"}), "move mode text");
    const QString current = f.status.CurCurrent->text();
    fuzzCheck(current.isEmpty() || isNumber(current), "current is a number");
    for (const QLineEdit* armed : {f.latch.LatchStat, f.sync.SyncStat}) {
        fuzzCheck(shows(armed, kArmedTexts) || isNumber(armed->text()), "latch and sync texts");
    }
    const QString latch = f.latch.LatchStat->text();
    fuzzCheck(!kArmedTexts.contains(latch) ||
                  f.latch.EnableLatch->isChecked() == (latch != QLatin1String("OFF")),
              "the latch enable box follows the latch state");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) {
        return 0;
    }
    Window& w = oneForTheRun<Window>();
    w.reset(data[0], data[1], splitReplies(inputBytes(data, size, 2)));
    MainSession& s = w.form->session();
    const int step = s.PollStep;
    const qint64 start = w.hub.nowMs();
    w.form->Timer1_Timer();
    settleEngines();

    fuzzCheck(!s.busy, "a tick leaves the window free");
    const QStringList told = w.prompter.messages();
    if (w.port->vanished()) {
        fuzzCheck(!s.values.ComPortStatus && !s.values.ComStatus, "a lost port clears the flags");
        fuzzCheck(toldPortLost(told), "a lost port is told once, and nothing is sent after it");
        fuzzCheck(w.form->comm.ComStatusDisplay->text() == QLatin1String("Invalid Port"),
                  "a lost port shows Invalid Port");
        fuzzCheck(s.PollStep == step, "a lost port keeps the rotation where it was");
    } else {
        fuzzCheck(s.values.ComPortStatus && told.isEmpty(), "replies alone never lose the port");
        fuzzCheck((data[0] & 8) != 0 || s.PollStep == step % 8 + 1,
                  "every tick moves the rotation on");
    }
    checkDisplays(*w.form);
    // Every exchange is bounded (two attempts of a few seconds at most), and so is their number.
    const qsizetype frames = w.hub.lines().size();
    fuzzCheck(frames <= 400, "a tick sends a bounded number of frames");
    fuzzCheck(w.hub.nowMs() - start <= (frames + 1) * 8000, "a tick waits a bounded time");
    for (const QString& line : w.hub.lines()) {
        fuzzCheck(line.startsWith(QLatin1String("@01")), "every frame goes to the device");
    }
    return 0;
}
