#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "connect/settings_file.h"

TEST(SettingsFile, LoadRulesGiveTheDialogsChoices) {
    const struct {
        std::optional<QByteArray> content;
        const char *port, *baud, *id;
    } cases[] = {
        {std::nullopt, "COM1", "9600", "01"},
        {QByteArray("COM12\r\n57600\r\n23\r\n"), "COM12", "57600", "23"},
        {QByteArray("COM3\r\n19200\r\n"), "COM1", "19200", "01"},
        {QByteArray("COM3\r\n19200\r\nABC\r\n"), "COM1", "19200", "01"},
        {QByteArray("COM3\r\n19200\r\n7\r\n"), "COM1", "19200", "01"},
        {QByteArray("COM20\r\n19200\r\n05\r\n"), "COM1", "9600", "01"},
        {QByteArray("COM3\r\n12345\r\n05\r\n"), "COM1", "9600", "01"},
        {QByteArray("COM3 \r\n19200\r\n05\r\n"), "COM1", "9600", "01"},
        {QByteArray(""), "COM1", "9600", "01"},
        {QByteArray("COM3\n115200\n07"), "COM3", "115200", "07"},
        {QByteArray("COM15\r\n38400\r\n99\r\nextra\r\n"), "COM15", "38400", "99"},
        {QByteArray("\xff\x00\r\n\r\n", 6), "COM1", "9600", "01"},
        {QByteArray("COM3\r\n\r\n05\r\n"), "COM1", "9600", "01"},
    };
    for (const auto& c : cases) {
        const SerialChoices got = choicesFromSettings(c.content);
        const QString label = c.content ? QString::fromLatin1(*c.content) : "no file";
        EXPECT_EQ(got.port, c.port) << label.toStdString();
        EXPECT_EQ(got.baud, c.baud) << label.toStdString();
        EXPECT_EQ(got.id, c.id) << label.toStdString();
    }
}

TEST(SettingsFile, WritesThreeCrLfLinesAndReadsThemBack) {
    QTemporaryDir dir;
    const QString path = dir.filePath("nvq-can.ini");
    ASSERT_TRUE(writeSettingsFile(path, {"COM12", "57600", "23"}));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray("COM12\r\n57600\r\n23\r\n"));
    const SerialChoices back = choicesFromSettings(readSettingsFile(path));
    EXPECT_EQ(back.port, "COM12");
    EXPECT_EQ(back.baud, "57600");
    EXPECT_EQ(back.id, "23");
}

TEST(SettingsFile, AFailedWriteIsReportedAndLeavesNoFile) {
    QTemporaryDir dir;
    EXPECT_FALSE(writeSettingsFile(dir.filePath("missing/nvq-can.ini"), {}));
    EXPECT_FALSE(QFile::exists(dir.filePath("missing/nvq-can.ini")));
    // A folder where the file should be: the folder stays as it was.
    ASSERT_TRUE(QDir(dir.path()).mkdir("nvq-can.ini"));
    EXPECT_FALSE(writeSettingsFile(dir.filePath("nvq-can.ini"), {}));
    EXPECT_TRUE(QFileInfo(dir.filePath("nvq-can.ini")).isDir());
}

TEST(SettingsFile, PortNumberComesFromThePortText) {
    for (int n = 1; n <= 15; ++n) {
        EXPECT_EQ(comPortNumber(QStringLiteral("COM%1").arg(n)), n);
    }
    EXPECT_EQ(comPortEntries().size(), 15);
    EXPECT_EQ(deviceIdEntries().first(), "01");
    EXPECT_EQ(deviceIdEntries().last(), "99");
    EXPECT_EQ(deviceIdEntries().size(), 99);
}
