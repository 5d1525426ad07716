// The parameter window on its line engine: presses, the controls' values and closing while an
// operation is under way, and the window's own thread staying free while the line is busy.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <atomic>

#include "device/line_engine.h"
#include "setup_rig.h"
#include "support/file_faults.h"

namespace {

// Runs in the engine's thread from the simulated line: holds the line until released() or a
// generous bound has passed. Whether it was released.
bool holdLine(const std::function<bool()>& released) {
    QElapsedTimer clock;
    clock.start();
    while (!released() && clock.elapsed() < 5000) {
        QThread::yieldCurrentThread();
    }
    return released();
}

// Runs the window's thread until done() or a generous bound has passed. Whether done().
bool processUntil(const std::function<bool()>& done) {
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < 5000) {
        QCoreApplication::processEvents();
        LineEngine::waitForActivity(5);
    }
    return done();
}

class SetupEngineTest : public ::testing::Test, public SetupRig {
  protected:
    ~SetupEngineTest() override { rig.hub.afterLine = nullptr; }
    void ready() {
        open();
        forget();
    }
};

// Presses made while a download waits on its question act after it, each once, in order. "Save"
// then writes the controls as the download left them: the device's own method, which "No" put
// back, not the one shown at the question.
TEST_F(SetupEngineTest, PressesDuringADownloadsQuestionActAfterItOnce) {
    device->values["CM"] = "0";  // RS-232
    ready();
    controls().comm.Ena485->setChecked(true);
    QTemporaryDir dir;
    const QString file = dir.filePath("during.par");
    rig.prompter.fileNames = {file};
    rig.prompter.answers = {false};
    QStringList sentBeforeTheAnswer;
    rig.prompter.whileShowing = [&] {
        rig.prompter.whileShowing = nullptr;
        window->SaveParameters->click();
        window->UploadPar->click();
        sentBeforeTheAnswer = rig.takeLines();
    };
    window->DownloadPar->click();
    ASSERT_TRUE(settleEngines());
    EXPECT_EQ(sentBeforeTheAnswer, framed("05", defaultDownload().mid(0, 17)));  // up to "CM"
    EXPECT_EQ(sentBeforeTheAnswer + rig.takeLines(),
              framed("05", defaultDownload()) + framed("05", uploadQueries()));
    EXPECT_EQ(rig.prompter.messages(),
              QStringList({"Current Communication is RS-232.  Are you sure you want change to "
                           "RS-485?",
                           "Download Done!", "Save Parameters to file done!"}));
    EXPECT_EQ(fileBytes(file).split('\n').value(11), "0\r");  // line 12: the method, RS-232
    EXPECT_TRUE(controls().comm.Ena232->isChecked());
}

// "Down" pressed while the opening upload runs acts once the upload is shown: it writes back the
// values the device gave, never what the controls held before the upload.
TEST_F(SetupEngineTest, ADownloadPressedDuringTheOpeningUploadWritesWhatItRead) {
    window = std::make_unique<SetupParameters>(rig.services());
    window->values() = {"05", "9600", 1, true, true};
    window->load();
    window->DownloadPar->click();
    ASSERT_TRUE(settleEngines());
    EXPECT_EQ(rig.takeLines(), framed("05", uploadQueries()) + framed("05", defaultDownload()));
    EXPECT_EQ(rig.prompter.messages(), QStringList{"Download Done!"});
}

// A device operation takes the controls' values when its press acts: an edit made after the
// press, before the job has sent anything, does not reach the wire, and the download does not
// undo it either (it shows only what it changed).
TEST_F(SetupEngineTest, AnOperationTakesTheControlsAtItsPress) {
    ready();
    controls().params.LCA->setText("250");
    controls().params.RunCurrent->setText("1200");
    window->DownloadPar->click();
    controls().params.LCA->setText("999");
    ASSERT_TRUE(settleEngines());
    QStringList expected = defaultDownload();
    expected.replace(expected.indexOf("LCA=300"), "LCA=250");
    expected.replace(expected.indexOf("CURR=1500"), "CURR=1200");
    EXPECT_EQ(rig.takeLines(), framed("05", expected));
    EXPECT_EQ(rig.prompter.messages(), QStringList{"Download Done!"});
    EXPECT_EQ(controls().params.LCA->text(), "999");
    EXPECT_EQ(controls().params.RunCurrent->text(), "1200");
}

// Closed by its frame while "Store" waits on its question or on the line: the store ends there
// (after the exchange under way), the port is closed by the time the window is, nothing more is
// said or sent, and a press after that does nothing.
TEST_F(SetupEngineTest, ClosingWhileStoreWaitsEndsItAndReleasesThePort) {
    for (const bool onTheQuestion : {true, false}) {
        SCOPED_TRACE(onTheQuestion ? "on its question" : "on the line");
        ready();
        std::atomic<bool> storing = false;
        std::atomic<bool> closing = false;
        bool portClosedWithTheWindow = false;
        const auto closeNow = [&] {
            closing = true;
            window->close();
            portClosedWithTheWindow = rig.hub.open_.isEmpty();
        };
        rig.hub.afterLine = [&](const QByteArray& line) {
            if (line == "@05STORE") {
                storing = true;
                holdLine([&] { return closing.load(); });
            }
        };
        if (onTheQuestion) {
            rig.prompter.whileShowing = [&] {
                rig.prompter.whileShowing = nullptr;
                closeNow();
            };
        }
        rig.prompter.answers = {true};
        window->SetSN->click();
        if (!onTheQuestion) {
            ASSERT_TRUE(processUntil([&] { return storing.load(); }));  // the question answered
            closeNow();
        }
        ASSERT_TRUE(settleEngines());
        EXPECT_TRUE(portClosedWithTheWindow);
        EXPECT_EQ(rig.takeLines(), onTheQuestion ? QStringList() : QStringList{"@05STORE"});
        EXPECT_EQ(rig.prompter.messages(),
                  QStringList{"Are you sure you want to save parameters to flash?"});
        window->UploadPar->click();
        window.reset();
        EXPECT_TRUE(settleEngines());
        EXPECT_TRUE(rig.takeLines().isEmpty());
        rig.hub.afterLine = nullptr;
    }
}

// While "Store" waits on the line the window's thread goes on: a timer fires and the window
// paints before the device's answer is read, and the answer is reported afterwards.
TEST_F(SetupEngineTest, TheWindowGoesOnWhileStoreWaits) {
    ready();
    window->show();
    std::atomic<bool> firedAndPainted = false;
    bool sawIt = false;
    rig.hub.afterLine = [&](const QByteArray& line) {
        if (line == "@05STORE") {
            sawIt = holdLine([&] { return firedAndPainted.load(); });
        }
    };
    struct PaintCounter : QObject {
        int paints = 0;
        bool eventFilter(QObject*, QEvent* event) override {
            paints += event->type() == QEvent::Paint;
            return false;
        }
    } counter;
    window->installEventFilter(&counter);
    rig.prompter.answers = {true};
    window->SetSN->click();
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] {
        if (counter.paints > 0) {
            firedAndPainted = true;
        }
        window->update();
    });
    counter.paints = 0;
    timer.start(1);
    ASSERT_TRUE(settleEngines(true));
    timer.stop();
    window->removeEventFilter(&counter);
    EXPECT_TRUE(sawIt);
    EXPECT_EQ(rig.takeLines(), QStringList{"@05STORE"});
    EXPECT_EQ(rig.prompter.messages(),
              QStringList(
                  {"Are you sure you want to save parameters to flash?", "Store to Flash done!"}));
}

}  // namespace
