// Each file the program writes, saved over an existing file while the save fails: the old file
// must come through whole, the window must say what it promises, and the next save must work.
#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <QTest>
#include <functional>

#include "connect/select_com_form.h"
#include "killed_save.h"
#include "saved_files.h"
#include "setup/parameter_file_commands.h"
#include "setup/setup_messages.h"
#include "setup/setup_rig.h"
#include "support/file_faults.h"
#include "terminal/terminal_form.h"

namespace {

const QByteArray kOld = "the old file\r\n";

class SaveFailureTest : public ::testing::Test, public SetupRig {
  protected:
    // One kind of file, saved the way a user saves it.
    struct SavedFile {
        const char* kind;  // as the save child names it
        const char* fileName;
        // Saves to the path through the window; returns the messages the user saw.
        std::function<QStringList(const QString&)> save;
        // The file after a save that worked.
        std::function<QByteArray()> saved;
        // What a failed save says (the reason follows); empty: it fails silently.
        std::function<QString(const QString&)> failure;
        QStringList done;  // what a save that worked says
    };

    std::vector<SavedFile> files() {
        return {
            {"settings",
             "nvq-can.ini",
             [this](const QString& p) { return saveSettings(p); },
             [] { return QByteArray("COM1\r\n9600\r\n05\r\n"); },
             [](const QString&) { return ""; },
             {}},
            {"parameters",
             "axis.par",
             [this](const QString& p) { return saveParameters(p); },
             [this] { return writeParameterFile(fileValuesFrom(parameterWindow().controls)); },
             [](const QString& p) { return QString(kSaveFailed) + "\r" + p + ": "; },
             {kSaveDone}},
            {"terminal",
             "log.txt",
             [this](const QString& p) { return saveLog(p); },
             [] { return QByteArray(">@05VER\r\n<V340\r\n\r\n"); },
             [](const QString& p) { return "Save Failed! " + p + ": "; },
             {"Save Done!"}},
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
        parameterWindow();
        rig.prompter.clear();
        rig.prompter.fileNames = {path};
        window->SaveParameters->click();
        return rig.prompter.messages();
    }

    QStringList saveLog(const QString& path) {
        TerminalForm form(rig.services());
        form.values = {"05", "9600", 1, true, false};
        form.show();
        form.load();
        QTest::keyClicks(form.SendText, "VER");
        QTest::keyClick(form.SendText, Qt::Key_Return);
        rig.prompter.clear();
        rig.prompter.fileNames = {path};
        form.Command2->click();
        return rig.prompter.messages();
    }

    // After the failure: the old file as it was, nothing else in the folder but what Qt's named
    // temporary file would be (where the file system has no unnamed ones); then a save that works.
    void expectOldKeptAndNextSaveWorks(const SavedFile& f, const QString& path,
                                       const std::string& what) {
        EXPECT_EQ(fileBytes(path), kOld) << what;
        for (const QString& name : folderFiles(QFileInfo(path).path())) {
            EXPECT_TRUE(name == f.fileName || name.startsWith(QString(f.fileName) + "."))
                << what << ": " << qPrintable(name);
        }
        EXPECT_EQ(f.save(path), f.done) << what << ": the next save";
        EXPECT_EQ(fileBytes(path), f.saved()) << what << ": the next save";
    }

    // The failed save's messages against what the window promises.
    void expectFailureReported(const SavedFile& f, const QString& path, const QStringList& said,
                               const std::string& what) {
        const QString prefix = f.failure(path);
        if (prefix.isEmpty()) {
            EXPECT_TRUE(said.isEmpty()) << what << ": " << qPrintable(said.join(" | "));
            return;
        }
        ASSERT_EQ(said.size(), 1) << what;
        EXPECT_TRUE(said[0].startsWith(prefix)) << what << ": " << qPrintable(said[0]);
        const QString reason = said[0].mid(prefix.size());
        EXPECT_FALSE(reason.isEmpty() || reason == "Unknown error") << what;
    }
};

TEST_F(SaveFailureTest, AReadOnlyFolderKeepsTheOldFile) {
    for (const SavedFile& f : files()) {
        QTemporaryDir dir;
        const QString path = dir.filePath(f.fileName);
        ASSERT_TRUE(putFile(path, kOld));
        QStringList said;
        {
            ReadOnlyFolder readOnly(dir.path());
            if (!readOnly.refusesNewFiles()) {
                GTEST_SKIP() << "this process can write into a folder without write permission";
            }
            said = f.save(path);
        }
        expectFailureReported(f, path, said, f.kind);
        expectOldKeptAndNextSaveWorks(f, path, f.kind);
    }
}

TEST_F(SaveFailureTest, AFullDiskKeepsTheOldFile) {
    for (const SavedFile& f : files()) {
        const qint64 size = f.saved().size();
        // Nothing fits, half of it, all but the last byte (the failure then shows only when the
        // last buffered bytes go out).
        for (const qint64 room : {qint64(0), size / 2, size - 1}) {
            const std::string what = std::string(f.kind) + ", room for " + std::to_string(room);
            QTemporaryDir dir;
            const QString path = dir.filePath(f.fileName);
            ASSERT_TRUE(putFile(path, kOld));
            QStringList said;
            {
                FileSizeLimit full(room);
                said = f.save(path);
            }
            expectFailureReported(f, path, said, what);
            expectOldKeptAndNextSaveWorks(f, path, what);
        }
    }
}

TEST_F(SaveFailureTest, AProgramKilledInTheMiddleOfASaveKeepsTheOldFile) {
    for (const SavedFile& f : files()) {
        const qint64 size = kindContent(f.kind).size();
        for (const qint64 written : {qint64(0), size / 2, size - 1}) {
            const std::string what = std::string(f.kind) + ", killed after " +
                                     std::to_string(written) + " of " + std::to_string(size);
            QTemporaryDir dir;
            const QString path = dir.filePath(f.fileName);
            ASSERT_TRUE(putFile(path, kOld));
            const KilledSave killed = killSaveMidWrite(f.kind, path, written);
            ASSERT_TRUE(killed.stoppedInWrite) << what;
            EXPECT_EQ(killed.bytesWritten, written) << what << ": the save was half-way";
            EXPECT_TRUE(killed.killed) << what;
            expectOldKeptAndNextSaveWorks(f, path, what);
        }
    }
}

}  // namespace
