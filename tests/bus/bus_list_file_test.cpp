#include <gtest/gtest.h>

#include "files/bus_list_file.h"
#include "support/qt_printers.h"

// What a list file may hold: two-digit IDs 01-99, one a line, each once.
TEST(BusListFile, ReadsIdsAndRefusesAnythingElseSayingWhy) {
    const struct {
        QByteArray bytes;
        const char* ids;      // as read, space-separated
        const char* problem;  // "" when read
    } cases[] = {
        {"01\r\n05\r\n42\r\n", "01 05 42", ""},
        {"07\n99", "07 99", ""},
        {"", "", ""},
        {"05\r\nxx\r\n", "", "line 2 is not a device ID 01-99"},
        {"00\r\n", "", "line 1 is not a device ID 01-99"},
        {"5\r\n", "", "line 1 is not a device ID 01-99"},
        {" 05\r\n", "", "line 1 is not a device ID 01-99"},
        {"05\r\n\r\n07\r\n", "", "line 2 is not a device ID 01-99"},
        {"05\r\n05\r\n", "", "ID 05 is listed twice"},
        {QByteArray("0\x00\r\n", 4), "", "line 1 is not a device ID 01-99"},
    };
    for (const auto& c : cases) {
        const BusList list = busListFromBytes(c.bytes);
        SCOPED_TRACE(c.bytes.toStdString());
        EXPECT_EQ(list.ids.join(' '), c.ids);
        EXPECT_EQ(list.problem, c.problem);
        EXPECT_EQ(list.outcome == BusList::Outcome::Read, QString(c.problem).isEmpty());
    }
}

TEST(BusListFile, NameAndBytesOfAList) {
    EXPECT_EQ(busListFileName(3), "nvq-can-bus-COM3.txt");
    EXPECT_EQ(busListFileName(12), "nvq-can-bus-COM12.txt");
    EXPECT_EQ(busListContent({"01", "42"}), "01\r\n42\r\n");
}
