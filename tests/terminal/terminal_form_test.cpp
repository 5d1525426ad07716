#include <gtest/gtest.h>

#include <QApplication>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "device/line_engine.h"
#include "device/terminal_line.h"
#include "files/terminal_text_file.h"
#include "support/engine_settle.h"
#include "support/file_faults.h"
#include "support/held_line.h"
#include "support/sim_rig.h"
#include "terminal/terminal_form.h"

namespace {

class TerminalFormTest : public ::testing::Test {
  protected:
    TerminalFormTest() : device(&rig.addDevice(1, 1)) { TerminalForm::PreviousCommand.clear(); }
    ~TerminalFormTest() override { held.release(); }

    // Shows the window as the main window hands it over: device 01 on the open COM1 at 9600.
    TerminalForm& show(const ConnectionValues& values = {"01", "9600", 1, true, false}) {
        form.reset();
        form = std::make_unique<TerminalForm>(rig.services());
        form->values = values;
        form->show();
        form->load();
        return *form;
    }
    // The same, returning once the port is open.
    TerminalForm& open(const ConnectionValues& values = {"01", "9600", 1, true, false}) {
        show(values);
        EXPECT_TRUE(settleEngines());
        return *form;
    }
    // Types a line and presses Enter, as fast as a user can: nothing waits for the line.
    void type(const QString& line) {
        QTest::keyClicks(form->SendText, line);
        QTest::keyClick(form->SendText, Qt::Key_Return);
    }

    // Types a line and presses Enter; returns the line's time on the simulated clock, in ms, once
    // its job has run and the window shows what it logged.
    qint64 enter(const QString& line) {
        QTest::keyClicks(form->SendText, line);
        const qint64 start = rig.hub.nowUs();
        QTest::keyClick(form->SendText, Qt::Key_Return);
        EXPECT_TRUE(settleEngines());
        return (rig.hub.nowUs() - start) / 1000;
    }
    QString recall() {
        QTest::keyClick(form->SendText, Qt::Key_F1);
        return form->SendText->text();
    }

    SimRig rig;
    SimDevice* device;
    HeldLine held{rig.hub};  // ends after the window, whose line it may hold
    std::unique_ptr<TerminalForm> form;
};

// One line after another, each answered its own way; the returned times are on the simulated
// clock. F1 brings the last line back, and Enter on an empty line forgets it.
TEST_F(TerminalFormTest, LogsEachLineWithItsAnswerAndRecallsTheLast) {
    open().DeviceID->setText("1");
    device->faults.rawReplies = {"123\r", "A\nB\r", "12"};
    enter("PX");
    enter("VER");
    EXPECT_EQ(enter("PX"), 101);  // a partial reply, then silence
    device->faults.replyDelayMs = 80;
    EXPECT_EQ(enter("STORE"), 200);  // the command's wait comes before the reading
    device->faults.replyDelayMs = 0;
    device->forcePrefix = true;
    enter("VER");
    form->DeviceID->setText("00");
    EXPECT_EQ(enter("STOP"), 0);
    form->DeviceID->setText("01");
    device->faults.silent = true;
    EXPECT_EQ(enter("PX"), 101);
    // The reply as it came: a line feed and the prefix are kept.
    const QString log =
        ">@01PX\r\n<123\r\n>@01VER\r\n<A\nB\r\n>@01PX\r\n<12NO REPLY!\r\n"
        ">@01STORE\r\n<OK\r\n>@01VER\r\n<#01V340\r\n>@00STOP\r\n<BROADCAST "
        "SENT!\r\n>@01PX\r\n<NO REPLY!\r\n";
    EXPECT_EQ(form->logText(), log);
    EXPECT_EQ(form->Pad->toPlainText(), QString(log).replace("\r\n", "\n"));  // the box shows
    EXPECT_EQ(rig.takeLines(),
              QStringList({"@01PX", "@01VER", "@01PX", "@01STORE", "@01VER", "@00STOP", "@01PX"}));
    EXPECT_TRUE(rig.prompter.shown.isEmpty());
    EXPECT_EQ(recall(), "PX");
    form->SendText->clear();
    enter("");
    EXPECT_EQ(form->logText(), log);
    EXPECT_EQ(recall(), "");

    device->faults = SimFaults{};  // a stream that never ends its line is cut off
    device->faults.noCR = true;
    device->faults.endless = true;
    enter("VER");
    EXPECT_TRUE(form->logText().endsWith("xxxNO REPLY!\r\n"));
    EXPECT_LT(form->logText().size(), log.size() + 4200);
}

TEST_F(TerminalFormTest, AnIdThatIsNoNumberSendsAndLogsNothing) {
    for (const char* box : {"ab", "", "40000"}) {
        open();
        rig.prompter.clear();
        form->DeviceID->setText(box);
        enter("PX");
        EXPECT_EQ(rig.prompter.messages(),
                  QStringList{QString("Communication Error! Device ID \"%1\" is not a whole "
                                      "number from -32768 to 32767")
                                  .arg(box)});
        EXPECT_TRUE(form->logText().isEmpty() && form->SendText->text().isEmpty()) << box;
        EXPECT_TRUE(rig.hub.lines().isEmpty()) << box;
        EXPECT_EQ(recall(), "PX") << box;
    }
}

// The window opens the port it is handed and releases it however it is closed.
TEST_F(TerminalFormTest, TheWindowOwnsItsPortWhileItIsOpen) {
    rig.addDevice(2, 1, 19200);
    const std::function<void(TerminalForm&)> ways[] = {
        [](TerminalForm& f) { f.Close->click(); },
        [](TerminalForm& f) { f.close(); },  // the window's frame
    };
    for (const auto& closeIt : ways) {
        open({"01", "19200", 2, true, false});
        enter("VER");
        EXPECT_EQ(form->logText(), ">@01VER\r\n<V340\r\n");
        EXPECT_EQ(rig.hub.open_, QSet<int>{2});
        // Escape is no way out: the window and its log stay.
        QTest::keyClick(form->SendText, Qt::Key_Escape);
        QTest::keyClick(form.get(), Qt::Key_Escape);
        EXPECT_TRUE(form->isVisible() && rig.hub.open_ == QSet<int>{2});
        EXPECT_EQ(form->logText(), ">@01VER\r\n<V340\r\n");
        closeIt(*form);
        EXPECT_TRUE(!form->isVisible() && rig.hub.open_.isEmpty());
    }
}

TEST_F(TerminalFormTest, TheEntryGetsTheFocusWhenTheWindowBecomesActive) {
    open();
    QDialog other;
    other.show();
    QApplication::setActiveWindow(form.get());
    form->Pad->setFocus();
    QApplication::setActiveWindow(&other);
    QApplication::setActiveWindow(form.get());
    EXPECT_EQ(form->focusWidget(), form->SendText);
}

// Counts the paints of the log box, and those that show a partly received reply of 400
// characters, each showing more than the one before.
struct PaintRecorder : QObject {
    explicit PaintRecorder(QPlainTextEdit* pad) : pad(pad) {
        pad->viewport()->installEventFilter(this);
    }
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            const int size = pad->toPlainText().size();
            growing += size > shown && size < 400;
            shown = std::max(shown, size);
            ++paints;
        }
        return false;
    }
    QPlainTextEdit* pad;
    int shown = 10;  // past the logged line itself
    int growing = 0;
    int paints = 0;
};

TEST_F(TerminalFormTest, ALongReplyIsSeenGrowing) {
    open();
    rig.hub.pacing = true;  // 400 characters take about 420 ms at 9600 baud
    device->faults.rawReplies = {QByteArray(400, 'a') + "\r"};
    QCoreApplication::processEvents();  // the window is on the screen: paints reach it
    PaintRecorder recorder(form->Pad);
    enter("VER");
    EXPECT_GE(recorder.growing, 5) << "paints: " << recorder.paints;
    EXPECT_EQ(form->Pad->toPlainText(), QString(form->logText()).replace("\r\n", "\n"));
}

TEST_F(TerminalFormTest, SavesTheLogAsTheUserNamesIt) {
    QTemporaryDir dir;
    const QString path = dir.filePath("log.txt");
    // The name the user gives (none: cancelled), the messages, the file. A save of a logged line
    // is among the save tests of every file the program writes.
    const std::tuple<std::optional<QString>, QStringList, QByteArray> cases[] = {
        {std::nullopt, {}, "<none>"},
        {"", {"No Program Name!"}, "<none>"},
        {dir.filePath("*.txt"), {}, "<none>"},
        {path, {"Save Done!"}, "\r\n\r\n"},  // an empty log makes a file too
    };
    for (const auto& [name, messages, file] : cases) {
        open();
        rig.prompter.clear();
        rig.prompter.fileNames = {name};
        form->Command2->click();
        EXPECT_EQ(rig.prompter.dialogs,
                  (QList<QStringList>{
                      {"save", "Save Terminal Text As", "Terminal Text Files (*.txt)|*.txt", ""}}));
        EXPECT_EQ(rig.prompter.messages(), messages);
        EXPECT_EQ(fileBytes(path), file);
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), file == "<none>" ? 0 : 1);
    }
}

// Lines typed while a slow device still answers the first: each goes out whole, in the order
// typed, to the ID the box held when Enter was pressed, and the log shows each once with its
// answer.
TEST_F(TerminalFormTest, LinesTypedWhileTheDeviceAnswersGoOutInOrder) {
    rig.hub.bus(1)->addDevice(2);
    open();
    device->faults.replyDelayMs = 60;
    held.arm("@01VER");
    type("VER");
    ASSERT_TRUE(held.waitUntilHeld());
    form->DeviceID->setText("2");
    type("ID");
    form->DeviceID->setText("01");
    type("PX");
    type("VER");
    EXPECT_EQ(form->SendText->text(), "");
    QCoreApplication::processEvents();
    EXPECT_EQ(form->logText(), ">@01VER\r\n");  // the first line is on its way
    held.release();
    ASSERT_TRUE(settleEngines());
    EXPECT_TRUE(held.endedInTime()) << "Enter waited for the device";
    EXPECT_EQ(rig.takeLines(), QStringList({"@01VER", "@02ID", "@01PX", "@01VER"}));
    const QString log =
        ">@01VER\r\n<V340\r\n>@02ID\r\n<Stepvane-CAN\r\n>@01PX\r\n<0\r\n>@01VER\r\n<V340\r\n";
    EXPECT_EQ(form->logText(), log);
    EXPECT_EQ(form->Pad->toPlainText(), QString(log).replace("\r\n", "\n"));
    EXPECT_TRUE(rig.prompter.shown.isEmpty());
    EXPECT_EQ(recall(), "VER");
}

// While a line waits for a device that says nothing, the window runs its events: a timer fires
// and finds the line shown as sent.
TEST_F(TerminalFormTest, TheWindowRunsItsEventsWhileALineWaits) {
    open();
    device->faults.silent = true;
    held.arm("@01PX");
    type("PX");
    ASSERT_TRUE(held.waitUntilHeld());
    // The hold ends only when this timer fires, or at its bound.
    bool fired = false;
    QString shown;
    QTimer::singleShot(10, form.get(), [&] {
        fired = true;
        shown = form->Pad->toPlainText();
        held.release();
    });
    EXPECT_TRUE(QTest::qWaitFor([&] { return fired; }, HeldLine::kBoundMs * 2));
    EXPECT_TRUE(held.endedInTime()) << "the timer fired only after the line";
    EXPECT_EQ(shown, ">@01PX\n");
    ASSERT_TRUE(settleEngines());
    EXPECT_EQ(form->logText(), ">@01PX\r\n<NO REPLY!\r\n");
}

// A message stays in its place: what was typed while it is coming goes out only once the user
// has read it, as when the window waited on the line.
TEST_F(TerminalFormTest, AMessageComesBeforeTheLinesTypedAfterItsCause) {
    const struct {
        const char* what;
        int port;         // the port the window is handed; there is no COM3
        QString firstId;  // the ID box at the first line; none: no first line
        QString message;
        QStringList wire;
        QString log;
    } cases[] = {
        {"the port does not open",
         3,
         {},
         "Communication Error! No such file or directory",
         {},
         ">@01PX\r\n<Com Port Error\r\n"},
        {"an ID that is no number",
         1,
         "ab",
         "Communication Error! Device ID \"ab\" is not a whole number from -32768 to 32767",
         {"@01PX"},
         ">@01PX\r\n<0\r\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        rig.prompter.clear();
        rig.hub.clearLines();
        QStringList seenMeanwhile;  // the log and the wire while the message is open
        rig.prompter.whileShowing = [&] {
            seenMeanwhile = {form->logText(), rig.hub.lines().join(",")};
        };
        show({"01", "9600", c.port, true, false});
        if (!c.firstId.isEmpty()) {
            form->DeviceID->setText(c.firstId);
            type("VER");
            form->DeviceID->setText("01");
        }
        type("PX");
        ASSERT_TRUE(settleEngines());
        rig.prompter.whileShowing = nullptr;
        EXPECT_EQ(rig.prompter.messages(), QStringList{c.message});
        EXPECT_EQ(seenMeanwhile, QStringList({"", ""}));
        EXPECT_EQ(rig.hub.lines(), c.wire);
        EXPECT_EQ(form->logText(), c.log);
        EXPECT_EQ(form->values.ComPortStatus, c.port == 1);
    }
}

// Closing the window while a line waits on the device: the line ends (its answer read), the lines
// typed behind it are dropped, the port is closed when the close returns, and nothing the line
// showed reaches a window that is gone. The hold ends once the window starts closing.
TEST_F(TerminalFormTest, ClosingWhileALineRunsEndsItAndReleasesThePort) {
    const std::pair<const char*, std::function<void()>> ways[] = {
        {"Close", [&] { form->Close->click(); }},
        {"the frame", [&] { form->close(); }},
        {"the window deleted", [&] { form.reset(); }},
    };
    for (const auto& [way, closeIt] : ways) {
        SCOPED_TRACE(way);
        open();
        rig.hub.clearLines();
        held.arm("@01VER", [] { return LineEngine::allIdle(); });
        type("VER");
        ASSERT_TRUE(held.waitUntilHeld());
        type("PX");
        type("ID");
        closeIt();
        EXPECT_TRUE(held.endedInTime()) << "the close came after the line";
        EXPECT_TRUE(rig.hub.open_.isEmpty());
        EXPECT_EQ(rig.takeLines(), QStringList{"@01VER"});
        ASSERT_TRUE(settleEngines());
        if (form) {
            EXPECT_FALSE(form->isVisible());
            EXPECT_EQ(form->logText(), ">@01VER\r\n<V340\r\n");
            type("EX");  // a window that is closed sends nothing
            ASSERT_TRUE(settleEngines());
            EXPECT_TRUE(rig.hub.lines().isEmpty());
        }
        EXPECT_TRUE(rig.prompter.shown.isEmpty());
        rig.hub.afterLine = nullptr;
    }
}

TEST(TerminalDeviceId, ReadsTheBoxAsA16BitNumberWithTwoDigitsAtLeast) {
    const std::pair<const char*, std::optional<QString>> cases[] = {
        {"1", "01"},          {"01", "01"},  {"0", "00"},    {"-0", "00"},
        {"123", "123"},       {"9.6", "10"}, {"-3", "-3"},   {"32767", "32767"},
        {"-32768", "-32768"}, {"32768", {}}, {"-32769", {}}, {"ab", {}},
    };
    for (const auto& [box, id] : cases) {
        EXPECT_EQ(terminalDeviceId(box), id) << box;
    }
}

// An empty log is saved by the window's own test above; a logged line by the save tests of every
// file the program writes.
TEST(TerminalTextFile, EndsWithOneEmptyLine) {
    const std::pair<QString, QByteArray> cases[] = {
        {">@01PX\r\n<12", ">@01PX\r\n<12\r\n\r\n"},  // cut short by a port failure
        {"<A\n", "<A\n\r\n"},                        // a bare LF counts as a line end
        {QString::fromLatin1("<\xE9\x01", 3), "<\xE9\x01\r\n\r\n"},  // bytes kept as received
    };
    for (const auto& [log, file] : cases) {
        EXPECT_EQ(terminalFileContent(log), file) << log.toStdString();
    }
}

}  // namespace
