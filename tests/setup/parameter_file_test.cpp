#include <gtest/gtest.h>

#include "setup/parameter_file.h"
#include "support/qt_printers.h"

namespace {

// The documented example: every pair Low but "Dir" on "CCW", Pos Guard off with every text "1",
// RS-485, ID "01", node "1", 9600, CAN 125000, EDOenable off, DOBOOT/EOBOOT "0", RZ on.
ParameterFileValues example() {
    ParameterFileValues v;
    v.polarity = 2;
    v.LCA = "300";
    v.runCurrent = v.idleCurrent = v.idleTime = "1";
    v.posGuardTolerance = v.posGuardErrorRange = v.posGuardMaxAttempt = "1";
    v.posGuardHighSpeed = v.posGuardIdleTime = "1";
    v.method = CommMethod::Rs485;
    v.deviceId = "01";
    v.nodeId = "1";
    v.serialBaud = "9600";
    v.canBitRate = "125000";
    v.doBoot = v.eoBoot = "0";
    v.returnZero = true;
    return v;
}

const QByteArray kExample =
    "2\r\n300\r\n0\r\n1\r\n1\r\n1\r\n1\r\n1\r\n1\r\n1\r\n1\r\n1\r\n01\r\n1\r\n9600\r\n125000\r\n"
    "0\r\n 0 \r\n0\r\n0\r\n 1 \r\n";

QByteArray joined(const QList<QByteArray>& lines) {
    QByteArray bytes;
    for (const QByteArray& line : lines) {
        bytes += line + "\r\n";
    }
    return bytes;
}

// The example's lines without their line ends.
QList<QByteArray> exampleLines() {
    QList<QByteArray> lines = kExample.split('\n');
    lines.removeLast();
    for (QByteArray& line : lines) {
        line.chop(1);
    }
    return lines;
}

TEST(ParameterFile, EmptyTextsAndSelectionsHaveTheirOwnLineForms) {
    ParameterFileValues v = example();
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

TEST(ParameterFile, TheExampleIsWrittenByteForByteAndReadBack) {
    EXPECT_EQ(writeParameterFile(example()), kExample);
    const ParameterFileRead read = readParameterFile(kExample);
    EXPECT_EQ(read.usableLines, 21);
    EXPECT_EQ(read.values.polarity, 2);
    EXPECT_EQ(read.values.canBitRate, "125000");
    EXPECT_TRUE(read.values.returnZero);
    EXPECT_EQ(writeParameterFile(read.values), kExample);
}

TEST(ParameterFile, TextLinesKeepEveryByte) {
    QByteArray high;
    for (int b = 0x20; b <= 0xFF; ++b) {
        if (b != 0x7F) {
            high += static_cast<char>(b);
        }
    }
    QList<QByteArray> lines = exampleLines();
    lines[18] = high;
    lines[19] = "\t" + high;
    lines[1] = "-0x\xB5";
    const QByteArray file = joined(lines);
    const ParameterFileRead read = readParameterFile(file);
    ASSERT_EQ(read.usableLines, 21);
    EXPECT_EQ(read.values.doBoot.toLatin1(), high);
    EXPECT_EQ(writeParameterFile(read.values), file);
}

TEST(ParameterFile, LineBreaksInTextsDoNotShiftTheLaterLines) {
    // A box can hold a line break (pasted text, a device reply with a line feed); the file
    // cannot. Every other value must still land on its own line.
    const struct {
        QString ParameterFileValues::*field;
        const char* text;
        const char* stored;
    } cases[] = {
        {&ParameterFileValues::LCA, "3\n00", "3 00"},
        {&ParameterFileValues::runCurrent, "\r\n", "  "},
        {&ParameterFileValues::posGuardIdleTime, "1\r", "1 "},
        {&ParameterFileValues::doBoot, "0\r\n5", "0  5"},
        {&ParameterFileValues::eoBoot, "\n", " "},
    };
    for (const auto& c : cases) {
        ParameterFileValues v = example();
        v.*c.field = QString::fromLatin1(c.text);
        const ParameterFileRead read = readParameterFile(writeParameterFile(v));
        ASSERT_EQ(read.usableLines, 21) << c.text;
        EXPECT_EQ(read.values.*c.field, c.stored);
        EXPECT_EQ(read.values.eoBoot, c.field == &ParameterFileValues::eoBoot ? c.stored : "0");
        EXPECT_TRUE(read.values.returnZero) << c.text;
    }
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
    const QList<QByteArray> base = exampleLines();
    for (const auto& c : cases) {
        QList<QByteArray> lines = base;
        lines[c.line - 1] = c.text;
        EXPECT_EQ(readParameterFile(joined(lines)).usableLines, c.usable)
            << "line " << c.line << " '" << c.text.constData() << "'";
    }
}

TEST(ParameterFile, NumberLinesReadAsWholeNumbersAndListLinesAsItems) {
    QList<QByteArray> lines = exampleLines();
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
    for (const auto& [code, method] :
         {std::pair{"0", CommMethod::Rs232}, {"1", CommMethod::Rs485}}) {
        lines[11] = code;
        EXPECT_EQ(readParameterFile(joined(lines)).values.method, method);
    }
}

TEST(ParameterFile, ShortFilesAndOtherLineEndsAreReadAsFarAsTheyGo) {
    const QByteArray twelve = kExample.left(kExample.indexOf("01\r\n"));
    const struct {
        QByteArray content;
        int usable;
    } cases[] = {
        {"", 0},
        {"\r\n", 0},  // one empty line: no polarity word
        {twelve, 12},
        {QByteArray(kExample).replace("\r\n", "\n"), 21},
        {QByteArray(kExample).replace("\r\n", "\r"), 21},
        {kExample.chopped(2), 21},  // no line end after the last line
        {kExample + "extra\r\n", 21},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(readParameterFile(c.content).usableLines, c.usable) << c.content.constData();
    }
}

}  // namespace
