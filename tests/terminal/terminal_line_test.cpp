#include <gtest/gtest.h>

#include "support/qt_printers.h"

#include "terminal/terminal_line.h"
#include "terminal/terminal_text_file.h"

namespace {

TEST(TerminalDeviceId, ReadsTheBoxAsA16BitNumberWithTwoDigitsAtLeast) {
    const struct {
        const char* box;
        std::optional<QString> id;
    } cases[] = {
        {"1", "01"},    {"01", "01"},   {"12", "12"},  {"0", "00"},        {"00", "00"},
        {"123", "123"}, {" 7 ", "07"},  {"1.4", "01"}, {"1.5", "02"},      {"2.5", "02"},
        {"9.6", "10"},  {"-3", "-3"},   {"-0", "00"},  {"32767", "32767"}, {"-32768", "-32768"},
        {"32768", {}},  {"-32769", {}}, {"ab", {}},    {"1a", {}},         {"", {}},
        {" ", {}},      {"0x10", {}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(terminalDeviceId(c.box), c.id) << c.box;
    }
}

TEST(TerminalTextFile, EndsWithOneEmptyLine) {
    const struct {
        QString log;
        QByteArray file;
    } cases[] = {
        {"", "\r\n\r\n"},
        {">@01PX\r\n<123\r\n", ">@01PX\r\n<123\r\n\r\n"},
        {">@01PX\r\n<12", ">@01PX\r\n<12\r\n\r\n"},  // cut short by a port failure
        {"<A\n", "<A\n\r\n"},                        // a bare LF counts as a line end
        {QString::fromLatin1("<\xE9\x01", 3),
         QByteArray("<\xE9\x01\r\n\r\n")},  // bytes kept as received
    };
    for (const auto& c : cases) {
        EXPECT_EQ(terminalFileContent(c.log), c.file) << c.log.toStdString();
    }
}

}  // namespace
