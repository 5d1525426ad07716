#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "setup/setup_messages.h"
#include "setup_rig.h"

namespace {

const QByteArray kExample =
    "2\r\n300\r\n0\r\n1\r\n1\r\n1\r\n1\r\n1\r\n1\r\n1\r\n1\r\n1\r\n01\r\n1\r\n9600\r\n125000\r\n"
    "0\r\n 0 \r\n0\r\n0\r\n 1 \r\n";

QByteArray contents(const QString& name) {
    QFile file(name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

void write(const QString& name, const QByteArray& bytes) {
    QFile file(name);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

// The first n lines of the example, each with its line end.
QByteArray firstLines(int n) {
    QByteArray bytes;
    const QList<QByteArray> lines = kExample.split('\n');
    for (int i = 0; i < n; ++i) {
        bytes += lines[i] + "\n";
    }
    return bytes;
}

class FileCommandsTest : public ::testing::Test, public SetupRig {
  protected:
    // A window without a device: files need none.
    FileCommandsTest() { open(false, false); }

    QString path(const QString& name) const { return dir.filePath(name); }
    void save(const std::optional<QString>& name) {
        rig.prompter.clear();
        rig.prompter.fileNames = {name};
        window->SaveParameters->click();
    }
    void openFile(const std::optional<QString>& name) {
        rig.prompter.clear();
        rig.prompter.fileNames = {name};
        window->OpenParameters->click();
    }
    // The window as in the file example.
    void setExample() {
        SetupControls& c = controls();
        c.polarity.DirPolHigh->setChecked(true);
        c.params.DOBOOT->setText("0");
        c.params.EOBOOT->setText("0");
        c.params.ReturnZero->setChecked(true);
        selectItem(c.comm.NodeIDCombo1, "1");
        selectItem(c.comm.CANbaudCombo, "125000");
    }

    QTemporaryDir dir;
};

TEST_F(FileCommandsTest, SavesTheExampleByteForByte) {
    setExample();
    controls().params.PosGuardRatio->setText("77");  // not part of the file
    controls().params.DecEnable->setChecked(true);
    save(path("example.par"));
    EXPECT_EQ(contents(path("example.par")), kExample);
    EXPECT_EQ(rig.prompter.messages(), QStringList{kSaveDone});
    ASSERT_EQ(rig.prompter.shown.size(), 2);
    EXPECT_EQ(rig.prompter.shown[0].kind, "save");
    EXPECT_EQ(rig.prompter.shown[0].text, kSaveTitle);
    EXPECT_EQ(rig.prompter.shown[0].title, kSaveFilter);
    EXPECT_TRUE(rig.takeLines().isEmpty());
}

TEST_F(FileCommandsTest, SaveNamesThatWriteNothing) {
    const struct {
        std::optional<QString> name;
        QStringList messages;
    } cases[] = {
        {std::nullopt, {}},
        {QString(), {kNoFileName}},
        {QString("*.par"), {}},
    };
    for (const auto& c : cases) {
        save(c.name);
        EXPECT_EQ(rig.prompter.messages(), c.messages) << qPrintable(c.name.value_or("cancelled"));
    }
    EXPECT_TRUE(QDir(dir.path()).isEmpty());
}

TEST_F(FileCommandsTest, AFailedSaveSaysSoAndLeavesWhatWasThere) {
    ASSERT_TRUE(QDir(dir.path()).mkdir("taken.par"));
    write(path("taken.par/inside"), "old");
    for (const QString& name : {path("missing/new.par"), path("taken.par")}) {
        save(name);
        const QStringList messages = rig.prompter.messages();
        ASSERT_EQ(messages.size(), 1) << qPrintable(name);
        EXPECT_TRUE(messages[0].startsWith(QString(kSaveFailed) + "\r" + name + ": "))
            << qPrintable(name);
    }
    EXPECT_EQ(contents(path("taken.par/inside")), "old");
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList());  // no temporary file left
}

TEST_F(FileCommandsTest, OpeningAndSavingAgainReproducesTheFile) {
    QByteArray file =
        "497\r\n-12\r\n1\r\n2000\r\n\xB5\xE9\r\n6\r\n0x10\r\n 8 "
        "\r\n9\r\n10\r\n11\r\n0\r\n99\r\n127\r\n"
        "115200\r\n\r\n0\r\n 1 \r\n\r\n\xFF caf\xE9\r\n 0 \r\n";
    write(path("in.par"), file);
    controls().params.PosGuardRatio->setText("77");
    openFile(path("in.par"));
    EXPECT_TRUE(rig.prompter.messages().isEmpty());
    EXPECT_EQ(rig.prompter.shown[0].text, kOpenTitle);
    EXPECT_EQ(rig.prompter.shown[0].title, kOpenFilter);
    EXPECT_EQ(controls().params.PosGuardRatio->text(), "77");  // not in the file
    EXPECT_EQ(controls().comm.CANbaudCombo->currentIndex(), -1);
    save(path("out.par"));
    EXPECT_EQ(contents(path("out.par")), file);
}

TEST_F(FileCommandsTest, ADamagedFileSetsTheControlsUpToItsFirstUnusableLine) {
    SetupControls& c = controls();
    const auto reset = [&c] {
        c.polarity.setWord(0);
        c.params.LCA->setText("old");
        c.comm.selectMethod(CommMethod::Rs232);
        selectItem(c.comm.DeviceIDCombo, "42");
        selectItem(c.comm.NodeIDCombo1, "42");
        selectItem(c.comm.baudCombo, "57600");
        c.params.ReturnZero->setChecked(false);
    };
    QByteArray lineFourteenZero = kExample;
    lineFourteenZero.replace("01\r\n1\r\n", "01\r\n0\r\n");
    QByteArray noNode = kExample;
    noNode.replace("01\r\n1\r\n", "01\r\n\r\n");
    const struct {
        const char* name;
        QByteArray content;
        const char* lca;
        CommMethod method;
        const char* deviceId;
        const char* nodeId;
        const char* baud;
        bool returnZero;
    } cases[] = {
        {"12 lines", firstLines(12), "300", CommMethod::Rs485, "42", "42", "57600", false},
        {"line 14 is 0", lineFourteenZero, "300", CommMethod::Rs485, "01", "42", "57600", false},
        {"no node", noNode, "300", CommMethod::Rs485, "01", "", "9600", true},
    };
    for (const auto& k : cases) {
        reset();
        write(path("damaged.par"), k.content);
        openFile(path("damaged.par"));
        EXPECT_TRUE(rig.prompter.messages().isEmpty()) << k.name;
        EXPECT_TRUE(c.polarity.DirPolHigh->isChecked()) << k.name;
        EXPECT_EQ(c.params.LCA->text(), k.lca) << k.name;
        EXPECT_EQ(c.comm.method(), k.method) << k.name;
        EXPECT_EQ(c.comm.DeviceIDCombo->currentText(), k.deviceId) << k.name;
        EXPECT_EQ(c.comm.NodeIDCombo1->currentText(), k.nodeId) << k.name;
        EXPECT_EQ(c.comm.baudCombo->currentText(), k.baud) << k.name;
        EXPECT_EQ(c.params.ReturnZero->isChecked(), k.returnZero) << k.name;
    }
}

TEST_F(FileCommandsTest, OpenNamesThatReadNothing) {
    const struct {
        std::optional<QString> name;
        QStringList messages;
    } cases[] = {
        {std::nullopt, {}},
        {QString(), {}},
        {QString("*.par"), {}},
        {path("nothing.par"), {"File " + path("nothing.par") + " does not exist!"}},
        {dir.path(), {"File " + dir.path() + " does not exist!"}},
    };
    for (const auto& c : cases) {
        openFile(c.name);
        EXPECT_EQ(rig.prompter.messages(), c.messages) << qPrintable(c.name.value_or("cancelled"));
        EXPECT_EQ(controls().params.LCA->text(), "300");
    }
}

}  // namespace
