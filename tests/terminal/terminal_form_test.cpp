#include <gtest/gtest.h>

#include <QApplication>
#include <QTemporaryDir>
#include <QTest>

#include "link/messages.h"
#include "support/file_faults.h"
#include "support/sim_rig.h"
#include "terminal/terminal_form.h"

namespace {

// What the log box shows for a log: its lines without the CR of CR LF.
QString shown(QString log) {
    return log.replace("\r\n", "\n");
}

class TerminalFormTest : public ::testing::Test {
  protected:
    TerminalFormTest() {
        device = &rig.addDevice(1, 1);
        TerminalForm::PreviousCommand.clear();
    }

    TerminalForm& open(bool portOpen = true) {
        form.reset();
        form = std::make_unique<TerminalForm>(rig.services());
        form->values.ComAddress = "01";
        form->values.Baudrate = "9600";
        form->values.ComPortNumber = 1;
        form->values.ComPortStatus = portOpen;
        form->show();
        form->load();
        return *form;
    }

    // Types a line and presses Enter; returns the line's time on the simulated clock, in ms.
    qint64 enter(const QString& line) {
        QTest::keyClicks(form->SendText, line);
        const qint64 start = rig.hub.nowUs();
        QTest::keyClick(form->SendText, Qt::Key_Return);
        return (rig.hub.nowUs() - start) / 1000;
    }

    void recall() { QTest::keyClick(form->SendText, Qt::Key_F1); }

    SimRig rig;
    SimDevice* device;
    std::unique_ptr<TerminalForm> form;
};

TEST_F(TerminalFormTest, LogsTheLineSentAndEachKindOfAnswer) {
    const struct {
        const char* what;
        std::function<void(SimDevice&)> arrange;
        const char* id;
        const char* command;
        QString log;
        qint64 ms;  // -1: not checked
    } cases[] = {
        {"reply", [](SimDevice& d) { d.faults.rawReplies = {"123\r"}; }, "1", "PX",
         ">@01PX\r\n<123\r\n", -1},
        {"prefix kept", [](SimDevice& d) { d.forcePrefix = true; }, "01", "VER",
         ">@01VER\r\n<#01V340\r\n", -1},
        {"line feed kept", [](SimDevice& d) { d.faults.rawReplies = {"A\nB\r"}; }, "1", "VER",
         ">@01VER\r\n<A\nB\r\n", -1},
        {"broadcast", [](SimDevice&) {}, "00", "STOP", ">@00STOP\r\n<BROADCAST SENT!\r\n", 0},
        {"no device", [](SimDevice& d) { d.faults.silent = true; }, "1", "PX",
         ">@01PX\r\n<NO REPLY!\r\n", 101},
        {"partial", [](SimDevice& d) { d.faults.rawReplies = {"12"}; }, "1", "PX",
         ">@01PX\r\n<12NO REPLY!\r\n", 101},
    };
    for (const auto& c : cases) {
        device->faults = SimFaults{};
        device->values = SimDevice(1, 9600).values;
        c.arrange(*device);
        open();
        form->DeviceID->setText(c.id);
        rig.takeLines();
        const qint64 ms = enter(c.command);
        EXPECT_EQ(form->logText(), c.log) << c.what;
        EXPECT_EQ(form->Pad->toPlainText(), shown(c.log)) << c.what;
        EXPECT_EQ(rig.takeLines(), QStringList{c.log.section("\r\n", 0, 0).mid(1)}) << c.what;
        if (c.ms >= 0) {
            EXPECT_EQ(ms, c.ms) << c.what;
        }
        EXPECT_TRUE(form->SendText->text().isEmpty()) << c.what;
        EXPECT_TRUE(rig.prompter.shown.isEmpty()) << c.what;
    }
}

TEST_F(TerminalFormTest, AStreamWithoutEndIsCutOff) {
    device->faults.noCR = true;
    device->faults.endless = true;
    open();
    enter("VER");
    EXPECT_TRUE(form->logText().endsWith("xxxNO REPLY!\r\n"));
    EXPECT_LT(form->logText().size(), 4200);
}

TEST_F(TerminalFormTest, SpecialCommandsWaitBeforeTheReplyIsRead) {
    // The device answers after 80 ms: a wait before reading covers it, one after would add to it.
    const struct {
        const char* command;
        qint64 ms;
    } cases[] = {{"STORE", 200}, {"SR=1", 1000}, {"store", 80}};
    open();
    for (const auto& c : cases) {
        device->faults.replyDelayMs = 80;
        EXPECT_EQ(enter(c.command), c.ms) << c.command;
        EXPECT_FALSE(form->logText().contains("NO REPLY!")) << c.command;
    }
}

TEST_F(TerminalFormTest, WithoutThePortEveryLineAnswersComPortError) {
    open(false);
    EXPECT_EQ(rig.prompter.messages(), QStringList{"Communication port not open!"});
    enter("PX");
    enter("VER");
    EXPECT_EQ(form->logText(), ">@01PX\r\n<Com Port Error\r\n>@01VER\r\n<Com Port Error\r\n");
    EXPECT_TRUE(rig.hub.lines().isEmpty());
    EXPECT_TRUE(rig.hub.open_.isEmpty());
}

TEST_F(TerminalFormTest, AnIdThatIsNoNumberSendsAndLogsNothing) {
    for (const char* box : {"ab", "", "40000"}) {
        open();
        rig.prompter.clear();
        form->DeviceID->setText(box);
        enter("PX");
        ASSERT_EQ(rig.prompter.messages().size(), 1) << box;
        EXPECT_TRUE(rig.prompter.messages()[0].startsWith(kCommunicationError)) << box;
        EXPECT_TRUE(form->logText().isEmpty()) << box;
        EXPECT_TRUE(rig.hub.lines().isEmpty()) << box;
        EXPECT_TRUE(form->SendText->text().isEmpty()) << box;
        recall();
        EXPECT_EQ(form->SendText->text(), "PX") << box;
    }
}

TEST_F(TerminalFormTest, APortFailureKeepsTheLogAndLeavesThePortAlone) {
    open();
    enter("VER");
    rig.hub.vanish(1);
    enter("PX");
    EXPECT_EQ(rig.prompter.messages(),
              QStringList{QString(kCommunicationError) + "Input/output error"});
    EXPECT_EQ(form->logText(), ">@01VER\r\n<V340\r\n>@01PX\r\n");
    EXPECT_TRUE(form->values.ComPortStatus);
    // The adapter is back, but the window's handle on it died with it: each line says so.
    rig.hub.restore(1);
    rig.takeLines();
    enter("VER");
    EXPECT_EQ(rig.prompter.messages().last(), QString(kCommunicationError) + "Port is not open");
    EXPECT_TRUE(form->logText().endsWith(">@01PX\r\n>@01VER\r\n"));
    EXPECT_TRUE(rig.takeLines().isEmpty());
}

TEST_F(TerminalFormTest, EnterOnAnEmptyLineForgetsThePreviousOne) {
    open();
    enter("VER");
    recall();
    EXPECT_EQ(form->SendText->text(), "VER");
    form->SendText->clear();
    const QString log = form->logText();
    rig.takeLines();
    enter("");
    EXPECT_TRUE(rig.takeLines().isEmpty());
    EXPECT_EQ(form->logText(), log);
    recall();
    EXPECT_EQ(form->SendText->text(), "");
}

TEST_F(TerminalFormTest, TheWindowOwnsItsPortWhileItIsOpen) {
    const std::function<void(TerminalForm&)> ways[] = {
        [](TerminalForm& f) { f.Close->click(); },
        [](TerminalForm& f) { f.close(); },  // the window's frame
        [](TerminalForm& f) { QTest::keyClick(f.SendText, Qt::Key_Escape); },
    };
    for (const auto& closeIt : ways) {
        SimPort* port = nullptr;
        WindowServices services = rig.services();
        services.makePort = [&] {
            auto p = std::make_unique<SimPort>(rig.hub);
            port = p.get();
            return p;
        };
        form = std::make_unique<TerminalForm>(services);
        form->values = {"01", "19200", 1, true, false};
        form->show();
        form->load();
        EXPECT_EQ(port->calls, QStringList({"threshold 1", "input length 1", "settings 19200,N,8,1",
                                            "dtr 0", "port 1", "open"}));
        EXPECT_TRUE(rig.hub.open_.contains(1));
        closeIt(*form);
        EXPECT_FALSE(form->isVisible());
        EXPECT_FALSE(rig.hub.open_.contains(1));
        form.reset();
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

// Records what the log box held each time it was painted.
class PaintRecorder : public QObject {
  public:
    explicit PaintRecorder(QPlainTextEdit* pad) : pad_(pad) {
        pad->viewport()->installEventFilter(this);
    }
    QList<int> sizes;

  protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            sizes << pad_->toPlainText().size();
        }
        return false;
    }

  private:
    QPlainTextEdit* pad_;
};

TEST_F(TerminalFormTest, ALongReplyIsSeenGrowing) {
    open();
    form->log().clockMs = [this] { return rig.hub.nowMs(); };
    rig.hub.pacing = true;  // 400 characters take about 420 ms at 9600 baud
    device->faults.rawReplies = {QByteArray(400, 'a') + "\r"};
    QCoreApplication::processEvents();  // the window is on the screen: paints reach it
    PaintRecorder recorder(form->Pad);
    enter("VER");
    QList<int> growing;
    for (int size : recorder.sizes) {
        if (size > 10 && size < 400 && (growing.isEmpty() || size > growing.last())) {
            growing << size;
        }
    }
    EXPECT_GE(growing.size(), 5) << "paints: " << recorder.sizes.size();
    EXPECT_EQ(form->Pad->toPlainText(), shown(form->logText()));
}

TEST_F(TerminalFormTest, SavesTheLogAsTheUserNamesIt) {
    QTemporaryDir dir;
    const QString path = dir.filePath("log.txt");
    const struct {
        std::optional<QString> name;
        bool withLine;
        QStringList messages;
        QByteArray file;
    } cases[] = {
        {std::nullopt, true, {}, "<none>"},  // cancelled
        {"", true, {"No Program Name!"}, "<none>"},
        {dir.filePath("*.txt"), true, {}, "<none>"},
        {path, true, {"Save Done!"}, ">@01VER\r\n<V340\r\n\r\n"},
        {path, false, {"Save Done!"}, "\r\n\r\n"},  // an empty log replaces the file too
    };
    for (const auto& c : cases) {
        open();
        if (c.withLine) {
            enter("VER");
        }
        rig.prompter.clear();
        rig.prompter.fileNames = {c.name};
        form->Command2->click();
        ASSERT_EQ(rig.prompter.shown.size(), 1 + c.messages.size());
        EXPECT_EQ(rig.prompter.shown[0].text, "Save Terminal Text As");
        EXPECT_EQ(rig.prompter.shown[0].title, "Terminal Text Files (*.txt)|*.txt");
        EXPECT_EQ(rig.prompter.messages(), c.messages);
        EXPECT_EQ(fileBytes(path), c.file);
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), c.file == "<none>" ? 0 : 1);
    }
}

}  // namespace
