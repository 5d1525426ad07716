#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "files/settings_file.h"

// The file's lines must each be an entry of their list: from the first that is missing or is
// not, the port and ID fall back to COM1 and 01 and the baud rate keeps what was read so far.
TEST(SettingsFile, LoadRulesGiveTheDialogsChoicesAndDamagedFilesTheDefaults) {
    const struct {
        std::optional<QByteArray> content;  // nothing: no file
        const char* choices;                // port, baud rate and ID
    } cases[] = {
        {std::nullopt, "COM1 9600 01"},
        {"COM12\r\n57600\r\n23\r\n", "COM12 57600 23"},
        {"COM3\n115200\n07", "COM3 115200 07"},
        {"COM15\r\n38400\r\n99\r\nextra\r\n", "COM15 38400 99"},
        {"COM3\r\n19200\r\n", "COM1 19200 01"},
        {"COM3\r\n19200\r\nABC\r\n", "COM1 19200 01"},
        {"COM3\r\n19200\r\n7\r\n", "COM1 19200 01"},
        {"COM20\r\n19200\r\n05\r\n", "COM1 9600 01"},
        {"COM3\r\n12345\r\n05\r\n", "COM1 9600 01"},
        {"COM3 \r\n19200\r\n05\r\n", "COM1 9600 01"},
        {"COM3\r\n\r\n05\r\n", "COM1 9600 01"},
        {"", "COM1 9600 01"},
        {QByteArray("\xff\x00\r\n\r\n", 6), "COM1 9600 01"},
    };
    for (const auto& c : cases) {
        const SerialChoices got = choicesFromSettings(c.content);
        EXPECT_EQ(QStringList({got.port, got.baud, got.id}).join(' '), c.choices)
            << (c.content ? c.content->toStdString() : "no file");
    }
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
