// Each document the program writes, saved over an existing file while the save fails: the old
// file must come through whole, the window must say what it promises, and the next save must work.
// A recording is a log instead: it must keep every whole row it wrote.
#include <gtest/gtest.h>

#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <QDir>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>

#include "chart/chart_panel.h"
#include "connect/select_com_form.h"
#include "saved_files.h"
#include "setup/parameter_file_commands.h"
#include "setup/setup_rig.h"
#include "support/engine_settle.h"
#include "support/file_faults.h"
#include "terminal/terminal_form.h"

extern char** environ;

namespace {

const QByteArray kOld = "the old file\r\n";

// The size of the file the stopped child is writing in the folder: the one open file of the child
// that lies there. Seen through the child's descriptor, so that it is found whether the unfinished
// file has a name in the folder or none (Linux's O_TMPFILE).
qint64 unfinishedFileSize(pid_t pid, const QString& folder) {
    const QDir fds(QStringLiteral("/proc/%1/fd").arg(pid));
    for (const QFileInfo& fd :
         fds.entryInfoList(QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot)) {
        struct stat st {};
        if (fd.symLinkTarget().startsWith(folder + QLatin1Char('/')) &&
            stat(fd.filePath().toLocal8Bit().constData(), &st) == 0 && S_ISREG(st.st_mode)) {
            return st.st_size;
        }
    }
    return -1;
}

// Runs the save child (saved_files.h) for the kind, lets its save write stopAfter bytes of the
// new file, then kills it with SIGKILL. The size of its unfinished file at that moment, when it
// stopped inside the write as arranged and SIGKILL ended it.
std::optional<qint64> killSaveMidWrite(const QString& kind, const QString& path, qint64 stopAfter) {
    QByteArray args[] = {NVQ_SAVE_CHILD, kind.toLocal8Bit(), path.toLocal8Bit(),
                         QByteArray::number(stopAfter)};
    char* argv[] = {args[0].data(), args[1].data(), args[2].data(), args[3].data(), nullptr};
    pid_t pid = 0;
    int status = 0;
    if (posix_spawn(&pid, argv[0], nullptr, nullptr, argv, environ) != 0 ||
        waitpid(pid, &status, WUNTRACED) != pid || !WIFSTOPPED(status)) {
        return std::nullopt;
    }
    const qint64 written = unfinishedFileSize(pid, QFileInfo(path).absoluteDir().canonicalPath());
    kill(pid, SIGKILL);
    waitpid(pid, &status, 0);
    return WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL ? std::optional(written)
                                                              : std::nullopt;
}

class SaveFailureTest : public ::testing::Test, public SetupRig {
  protected:
    // One kind of file, saved the way a user saves it.
    struct SavedFile {
        const char* kind;  // as the save child names it
        const char* fileName;
        QStringList (SaveFailureTest::*save)(const QString& path);  // returns what the user saw
        QByteArray saved;  // the file after a save that worked
        QString failure;   // what a failed save says before "<path>: <reason>"; "": nothing
        const char* done;  // what a save that worked says; "": nothing
    };

    std::vector<SavedFile> files() {
        return {
            {"settings", "nvq-can.ini", &SaveFailureTest::saveSettings, "COM1\r\n9600\r\n05\r\n",
             "", ""},
            {"parameters", "axis.par", &SaveFailureTest::saveParameters,
             writeParameterFile(fileValuesFrom(parameterWindow().controls)),
             "Save Parameters to file failed!\r", "Save Parameters to file done!"},
            {"terminal", "log.txt", &SaveFailureTest::saveLog, ">@05VER\r\n<V340\r\n\r\n",
             "Save Failed! ", "Save Done!"},
        };
    }

    // "Connect" and "Exit" both write the settings; neither may be stopped by a failed write.
    QStringList saveSettings(const QString& path) {
        rig.prompter.clear();
        SelectComForm form(rig.services(), path);
        bool ended = false;
        form.endProgram = [&ended] { ended = true; };
        form.combo->setCurrentText("COM1");
        form.baudCom->setCurrentText("9600");
        form.DeviceIDCombo->setCurrentText("05");
        const int shown = rig.modal.shownCount;
        form.Connect->click();
        EXPECT_EQ(rig.modal.shownCount, shown + 1) << "Connect goes on to the main window";
        form.Close->click();
        EXPECT_TRUE(ended) << "Exit goes on to end the program";
        return rig.prompter.messages();
    }

    // A window without a device (files need none) with one parameter typed in.
    SetupParameters& parameterWindow() {
        open(false, false);
        controls().params.LCA->setText("300");
        return *window;
    }

    QStringList saveParameters(const QString& path) {
        return clickSave(parameterWindow().SaveParameters, path);
    }

    QStringList saveLog(const QString& path) {
        TerminalForm form(rig.services());
        form.values = {"05", "9600", 1, true, false};
        form.show();
        form.load();
        QTest::keyClicks(form.SendText, "VER");
        QTest::keyClick(form.SendText, Qt::Key_Return);
        EXPECT_TRUE(settleEngines());  // the line and its answer are in the log
        return clickSave(form.Command2, path);
    }

    // "Record...", the samples of a short run, then "Stop" unless the recording has ended: what
    // the user saw (the messages, then the button and the status line at the end).
    static constexpr int kRows = 40;
    QStringList record(const QString& path) {
        rig.prompter.clear();
        rig.prompter.fileNames = {path};
        qint64 ms = 0;
        PollFeed feed([&ms] { return std::exchange(ms, ms + 10); });
        ChartPanel chart(feed, rig.prompter);
        chart.RecordChart->click();
        for (const PollSample& s : recordedSamples(kRows)) {
            feed.publish(s);
        }
        if (chart.RecordChart->text() == "Stop") {
            chart.RecordChart->click();
        }
        return rig.prompter.messages() << chart.RecordChart->text() << chart.RecordStatus->text();
    }

    QStringList clickSave(QPushButton* button, const QString& path) {
        rig.prompter.clear();
        rig.prompter.fileNames = {path};
        button->click();
        EXPECT_TRUE(settleEngines());
        return rig.prompter.messages();
    }

    // Saves the kind over an old file in a fresh folder through failingSave, which returns what
    // it said (nothing for a killed program). Then: what it said, the old file as it was, nothing
    // else in the folder but what Qt's named temporary file would be (where the file system has
    // no unnamed ones), and a save that works.
    using FailingSave = std::function<std::optional<QStringList>(const QString& path)>;
    void expectOldKept(const SavedFile& f, const std::string& what,
                       const FailingSave& failingSave) {
        QTemporaryDir dir;
        const QString path = dir.filePath(f.fileName);
        ASSERT_TRUE(putFile(path, kOld));
        const std::optional<QStringList> said = failingSave(path);
        if (said) {  // one message: the promised words, the path and a real reason; or none
            const QString prefix = f.failure + path + ": ";
            const QString reason = said->value(0).mid(prefix.size());
            EXPECT_EQ(*said, f.failure.isEmpty() ? QStringList() : QStringList{prefix + reason})
                << what;
            EXPECT_TRUE(f.failure.isEmpty() || !(reason.isEmpty() || reason == "Unknown error"))
                << what << ": " << qPrintable(reason);
        }
        EXPECT_EQ(fileBytes(path), kOld) << what;
        for (const QString& name : folderFiles(dir.path())) {
            EXPECT_TRUE(name == f.fileName || name.startsWith(QString(f.fileName) + "."))
                << what << ": " << qPrintable(name);
        }
        EXPECT_EQ((this->*f.save)(path), *f.done ? QStringList{f.done} : QStringList())
            << what << ": the next save";
        EXPECT_EQ(fileBytes(path), f.saved) << what << ": the next save";
    }
};

TEST_F(SaveFailureTest, AReadOnlyFolderKeepsTheOldFile) {
    QTemporaryDir probe;
    if (!ReadOnlyFolder(probe.path()).refusesNewFiles()) {
        GTEST_SKIP() << "this process can write into a folder without write permission";
    }
    for (const SavedFile& f : files()) {
        expectOldKept(f, f.kind, [&](const QString& path) {
            ReadOnlyFolder readOnly(QFileInfo(path).path());
            return std::optional((this->*f.save)(path));
        });
    }
}

TEST_F(SaveFailureTest, AFullDiskKeepsTheOldFile) {
    for (const SavedFile& f : files()) {
        // Nothing fits, half of it, all but the last byte (the failure then shows only when the
        // last buffered bytes go out).
        for (const qint64 room : {qint64(0), f.saved.size() / 2, f.saved.size() - 1}) {
            expectOldKept(f, std::string(f.kind) + ", room for " + std::to_string(room),
                          [&](const QString& path) {
                              FileSizeLimit full(room);
                              return std::optional((this->*f.save)(path));
                          });
        }
    }
}

TEST_F(SaveFailureTest, AProgramKilledInTheMiddleOfASaveKeepsTheOldFile) {
    for (const SavedFile& f : files()) {
        const qint64 size = kindContent(f.kind).size();
        for (const qint64 written : {qint64(0), size / 2, size - 1}) {
            const std::string what = std::string(f.kind) + ", killed after " +
                                     std::to_string(written) + " of " + std::to_string(size);
            expectOldKept(f, what, [&](const QString& path) -> std::optional<QStringList> {
                EXPECT_EQ(killSaveMidWrite(f.kind, path, written), written)
                    << what << ": stopped half-way in the save, then killed";
                return std::nullopt;
            });
        }
    }
}

// A recording is a log: it goes into the chosen file itself (the file dialog has asked before
// replacing one), so a full disk ends it with the rows that fitted, whole, and says how many.
TEST_F(SaveFailureTest, AFullDiskStopsARecordingWithItsWholeRows) {
    const QByteArray content = recordingContent(kRows);
    const qint64 header = content.indexOf('\n') + 1;
    const struct {
        const char* what;
        qint64 room;
        int rowsKept;
    } cases[] = {
        {"nothing fits", 0, 0},
        {"half the header", header / 2, 0},
        {"the header alone", header, 0},
        {"the header and half a row", header + 10, 0},
        {"half the file", content.size() / 2, 20},
        {"all but the last byte", content.size() - 1, kRows - 1},
    };
    for (const auto& c : cases) {
        QTemporaryDir dir;
        const QString path = dir.filePath("run.csv");
        ASSERT_TRUE(putFile(path, kOld));
        QStringList seen;
        {
            FileSizeLimit full(c.room);
            seen = record(path);
        }
        const QString message = QString("Recording stopped: %1: File too large; %2 rows kept")
                                    .arg(path)
                                    .arg(c.rowsKept);
        EXPECT_EQ(seen, QStringList({message, "Record...", message})) << c.what;
        EXPECT_EQ(fileBytes(path), wholeLinesWithin(content, c.room)) << c.what;
        EXPECT_EQ(fileBytes(path).count('\n'), c.room < header ? 0 : c.rowsKept + 1) << c.what;
        EXPECT_EQ(folderFiles(dir.path()), QStringList{"run.csv"}) << c.what;
        EXPECT_EQ(record(path),
                  QStringList({"Record...", QString("Saved 40 samples to %1").arg(path)}))
            << c.what << ": the next recording";
        EXPECT_EQ(fileBytes(path), content) << c.what << ": the next recording";
    }
}

// A file that cannot be opened at all is not touched, and the recording never starts.
TEST_F(SaveFailureTest, ARecordingWhoseFileCannotBeOpenedSavesNothing) {
    QTemporaryDir dir;
    const QString path = dir.filePath("gone/run.csv");
    EXPECT_EQ(
        record(path),
        QStringList({"Recording failed, nothing saved: " + path + ": No such file or directory",
                     "Record...",
                     "Recording failed, nothing saved: " + path + ": No such file or directory"}));
    EXPECT_EQ(folderFiles(dir.path()), QStringList());
}

// Killed at any moment of a recording, the program leaves the file with every row written
// before, none cut short. A row goes to the system in one write, which a kill cannot split: the
// child is stopped inside the write of the row that starts at the given length, then killed.
TEST_F(SaveFailureTest, AProgramKilledDuringARecordingKeepsEveryRowWritten) {
    const QByteArray content = kindContent("recording");
    const qint64 header = content.indexOf('\n') + 1;
    const qint64 half = wholeLinesWithin(content, content.size() / 2).size();
    const qint64 allButLast = content.lastIndexOf('\n', content.size() - 2) + 1;
    for (const qint64 written : {qint64(0), header, half, allButLast}) {
        const std::string what =
            "killed after " + std::to_string(written) + " of " + std::to_string(content.size());
        QTemporaryDir dir;
        const QString path = dir.filePath("run.csv");
        ASSERT_TRUE(putFile(path, kOld));
        EXPECT_EQ(killSaveMidWrite("recording", path, written), written) << what;
        const QByteArray kept = fileBytes(path);
        EXPECT_EQ(kept.size(), written) << what;
        EXPECT_TRUE(kept == content.left(written)) << what;
        EXPECT_EQ(folderFiles(dir.path()), QStringList{"run.csv"}) << what;
    }
}

}  // namespace
