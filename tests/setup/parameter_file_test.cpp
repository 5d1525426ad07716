// The parameter file: its format, and the window's "Open" and "Save" commands that use it.
#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

#include "device/parameter_file.h"
#include "setup_rig.h"
#include "support/file_faults.h"

namespace {

// The documented example: every pair Low but "Dir" on "CCW", Pos Guard off with every text "1",
// RS-485, ID "01", node "1", 9600, CAN 125000, EDOenable off, DOBOOT/EOBOOT "0", RZ on.
const QByteArray kExample =
    "2\r\n300\r\n0\r\n1\r\n1\r\n1\r\n1\r\n1\r\n1\r\n1\r\n1\r\n1\r\n01\r\n1\r\n9600\r\n125000\r\n"
    "0\r\n 0 \r\n0\r\n0\r\n 1 \r\n";

QByteArray joined(const QByteArrayList& lines) {
    return lines.join("\r\n") + "\r\n";
}

// The example's lines without their line ends.
QByteArrayList exampleLines() {
    return QByteArray(kExample).replace("\r", "").chopped(1).split('\n');
}

// The example with one line replaced.
QByteArray exampleWith(int line, const QByteArray& text) {
    QByteArrayList lines = exampleLines();
    lines[line - 1] = text;
    return joined(lines);
}

TEST(ParameterFile, EmptyTextsAndSelectionsHaveTheirOwnLineForms) {
    ParameterFileValues v = readParameterFile(kExample).values;
    v.LCA = v.runCurrent = v.posGuardIdleTime = v.doBoot = v.eoBoot = "";
    v.nodeId = v.canBitRate = "";
    v.method = CommMethod::CanOpen;
    v.polarity = 0x1FF;  // bits 2, 3 have no signal and are never written
    v.edoEnable = true;
    v.returnZero = false;
    EXPECT_EQ(writeParameterFile(v),
              "499\r\n0\r\n0\r\n0\r\n1\r\n1\r\n1\r\n1\r\n1\r\n1\r\n0\r\n2\r\n01\r\n\r\n9600\r\n\r\n"
              "0\r\n 1 \r\n\r\n\r\n 0 \r\n");
}

TEST(ParameterFile, ReadingStopsAtTheFirstUnusableLine) {
    // Line number -> replacement, and how many lines stay usable.
    const struct {
        int line;
        QByteArray text;
        int usable;
    } cases[] = {
        {1, "abc", 0},   {1, "", 0},       {3, "2", 2},      {3, "-1", 2},   {12, "x", 11},
        {13, "7", 12},   {13, "100", 12},  {13, "", 12},     {14, "0", 13},  {14, "07", 13},
        {14, "128", 13}, {15, "9601", 14}, {15, "", 14},     {16, "12", 15}, {18, " 2 ", 17},
        {18, "yes", 17}, {21, "-1", 20},   {17, "junk", 21}, {14, "", 21},   {16, "", 21},
        {18, "1", 21},   {21, "  0", 21},  {12, " 5 ", 21},  {2, "", 21},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(readParameterFile(exampleWith(c.line, c.text)).usableLines, c.usable)
            << "line " << c.line << " '" << c.text.constData() << "'";
    }
    // Short files and other line ends are read as far as they go.
    const struct {
        QByteArray content;
        int usable;
    } files[] = {
        {"", 0},
        {"\r\n", 0},  // one empty line: no polarity word
        {joined(exampleLines().mid(0, 12)), 12},
        {QByteArray(kExample).replace("\r\n", "\n"), 21},
        {QByteArray(kExample).replace("\r\n", "\r"), 21},
        {kExample.chopped(2), 21},  // no line end after the last line
        {kExample + "extra\r\n", 21},
    };
    for (const auto& f : files) {
        EXPECT_EQ(readParameterFile(f.content).usableLines, f.usable) << f.content.constData();
    }
}

TEST(ParameterFile, NumberLinesReadAsWholeNumbersAndListLinesAsItems) {
    QByteArrayList lines = exampleLines();
    lines[0] = " 3 ";
    lines[11] = "5";
    lines[13] = "";
    lines[17] = "1";
    const ParameterFileRead read = readParameterFile(joined(lines));
    ASSERT_EQ(read.usableLines, 21);
    EXPECT_EQ(read.values.polarity, 3);
    EXPECT_EQ(read.values.method, CommMethod::CanOpen);  // any number but 0 and 1
    EXPECT_EQ(read.values.nodeId, "");                   // no selection, reading goes on
    EXPECT_TRUE(read.values.edoEnable);
}

class FileCommandsTest : public ::testing::Test, public SetupRig {
  protected:
    // A window without a device: files need none.
    FileCommandsTest() { open(false, false); }

    QString path(const QString& name) const { return dir.filePath(name); }
    // Clicks "Save" or "Open" and picks the name in the file dialog (nothing: cancelled).
    void use(QPushButton* button, const std::optional<QString>& name) {
        rig.prompter.clear();
        rig.prompter.fileNames = {name};
        button->click();
        EXPECT_TRUE(settleEngines());
    }

    QTemporaryDir dir;
};

TEST_F(FileCommandsTest, SavesTheExampleByteForByte) {
    SetupControls& c = controls();
    c.polarity.DirPolHigh->setChecked(true);
    c.params.DOBOOT->setText("0");
    c.params.EOBOOT->setText("0");
    c.params.ReturnZero->setChecked(true);
    selectItem(c.comm.NodeIDCombo1, "1");
    selectItem(c.comm.CANbaudCombo, "125000");
    c.params.PosGuardRatio->setText("77");  // not part of the file
    c.params.DecEnable->setChecked(true);
    use(window->SaveParameters, path("example.par"));
    EXPECT_EQ(fileBytes(path("example.par")), kExample);
    EXPECT_EQ(rig.prompter.messages(), QStringList{"Save Parameters to file done!"});
    EXPECT_EQ(rig.prompter.dialogs, (QList<QStringList>{{"save", "Save NVQ-CAN Parameters As",
                                                         "Parameter Files (*.par)|*.par", ""}}));
    EXPECT_TRUE(rig.takeLines().isEmpty());
}

TEST_F(FileCommandsTest, NamesThatSaveOrOpenNothing) {
    // Cancelled, empty, or the filter itself: only saving under an empty name is told off.
    for (const bool save : {true, false}) {
        for (const auto& name : {std::optional<QString>(), std::optional(QString()),
                                 std::optional(QString("*.par"))}) {
            SCOPED_TRACE(qPrintable(name.value_or("cancelled") + (save ? ", save" : ", open")));
            use(save ? window->SaveParameters : window->OpenParameters, name);
            EXPECT_EQ(rig.prompter.messages(), save && name == QString()
                                                   ? QStringList{"No Parameter File Name!"}
                                                   : QStringList());
        }
    }
    for (const QString& name : {path("nothing.par"), dir.path()}) {
        use(window->OpenParameters, name);
        EXPECT_EQ(rig.prompter.messages(), QStringList{"File " + name + " does not exist!"});
    }
    EXPECT_EQ(controls().params.LCA->text(), "300");
    EXPECT_TRUE(QDir(dir.path()).isEmpty());
    // A file that is there but cannot be read says why (the description leaves it silent).
    ASSERT_TRUE(putFile(path("locked.par"), kExample));
    QFile::setPermissions(path("locked.par"), {});
    ReadOnlyFolder unprivileged(dir.path());  // root's overriding capabilities are given up too
    if (!unprivileged.refusesNewFiles()) {
        GTEST_SKIP() << "this process reads files without read permission";
    }
    use(window->OpenParameters, path("locked.par"));
    EXPECT_EQ(rig.prompter.messages(), QStringList{"Open Parameter File failed!\r" +
                                                   path("locked.par") + ": Permission denied"});
    EXPECT_EQ(controls().params.LCA->text(), "300");
}

// Every byte of a text line comes through (Latin-1), as do numbers in forms of their own.
TEST_F(FileCommandsTest, OpeningAndSavingAgainReproducesTheFile) {
    QByteArray high;
    for (int b = 0x20; b <= 0xFF; ++b) {
        if (b != 0x7F) {
            high += static_cast<char>(b);
        }
    }
    const QByteArray file = joined({"497",    "-12", "1",  "2000", "\xB5\xE9", "6",         "0x10",
                                    " 8 ",    "9",   "10", "11",   "0",        "99",        "127",
                                    "115200", "",    "0",  " 1 ",  "",         "\t" + high, " 0 "});
    ASSERT_TRUE(putFile(path("in.par"), file));
    controls().params.PosGuardRatio->setText("77");
    use(window->OpenParameters, path("in.par"));
    EXPECT_TRUE(rig.prompter.messages().isEmpty());
    EXPECT_EQ(rig.prompter.dialogs,
              (QList<QStringList>{{"open", "Open NVQ-CAN Parameter File",
                                   "NVQ-CAN Parameter Files (*.par)|*.par", "*.par"}}));
    EXPECT_EQ(controls().params.PosGuardRatio->text(), "77");  // not in the file
    EXPECT_EQ(controls().comm.CANbaudCombo->currentIndex(), -1);
    EXPECT_EQ(controls().params.EOBOOT->text().toLatin1(), "\t" + high);
    use(window->SaveParameters, path("out.par"));
    EXPECT_EQ(fileBytes(path("out.par")), file);
}

TEST_F(FileCommandsTest, ADamagedFileSetsTheControlsUpToItsFirstUnusableLine) {
    SetupControls& c = controls();
    const struct {
        const char* name;
        QByteArray content;
        const char* deviceId;
        const char* nodeId;
        const char* baud;
        bool returnZero;
    } cases[] = {
        {"12 lines", joined(exampleLines().mid(0, 12)), "42", "42", "57600", false},
        {"line 14 is 0", exampleWith(14, "0"), "01", "42", "57600", false},
        {"no node", exampleWith(14, ""), "01", "", "9600", true},
    };
    for (const auto& k : cases) {
        SCOPED_TRACE(k.name);
        c.polarity.setWord(0);
        c.comm.selectMethod(CommMethod::Rs232);
        selectItem(c.comm.DeviceIDCombo, "42");
        selectItem(c.comm.NodeIDCombo1, "42");
        selectItem(c.comm.baudCombo, "57600");
        c.params.ReturnZero->setChecked(false);
        ASSERT_TRUE(putFile(path("damaged.par"), k.content));
        use(window->OpenParameters, path("damaged.par"));
        EXPECT_TRUE(rig.prompter.messages().isEmpty());
        EXPECT_TRUE(c.polarity.DirPolHigh->isChecked());
        EXPECT_EQ(c.comm.method(), CommMethod::Rs485);
        EXPECT_EQ(c.comm.DeviceIDCombo->currentText(), k.deviceId);
        EXPECT_EQ(c.comm.NodeIDCombo1->currentText(), k.nodeId);
        EXPECT_EQ(c.comm.baudCombo->currentText(), k.baud);
        EXPECT_EQ(c.params.ReturnZero->isChecked(), k.returnZero);
    }
}

}  // namespace
