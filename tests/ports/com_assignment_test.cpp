// The COM assignment rule on its own: which numbers adapters get, and what each number shows.
#include <gtest/gtest.h>

#include "support/qt_printers.h"

#include "ports/com_assignment.h"
#include "ports/port_inventory.h"

namespace {

SerialAdapter ftdi(const QString& tty, const QString& serial) {
    return {"/dev/" + tty,
            "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_" + serial + "-if00-port0",
            "FT232R USB UART",
            "FTDI",
            serial,
            0x0403,
            0x6001};
}
SerialAdapter builtIn(const QString& tty) {
    return {"/dev/" + tty, "/dev/" + tty, "", "", "", std::nullopt, std::nullopt};
}
ComLink link(int number, const QString& target, const QString& device) {
    return {number, target, device};
}

// "COMn -> target" for each link the rule makes.
QStringList made(const PortsState& state) {
    QStringList out;
    for (const ComLink& l : newAssignments(state)) {
        out << QString("COM%1 -> %2").arg(l.number).arg(l.target);
    }
    return out;
}

const QString kA1 = "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A1-if00-port0";
const QString kB2 = "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_B2-if00-port0";

TEST(ComAssignment, AdaptersSeenForTheFirstTimeGetTheLowestFreeNumbers) {
    QMap<int, ComLink> allTaken;
    for (int n = 1; n <= 15; ++n) {
        allTaken.insert(n, link(n, QString("/dev/null"), "/dev/null"));
    }
    const struct {
        const char* what;
        PortsState state;
        QStringList made;
    } cases[] = {
        {"first sight", {{ftdi("ttyUSB0", "A1")}, {}, {}}, {"COM1 -> " + kA1}},
        {"built-in ports the inventory lists keep their numbers",
         {{builtIn("ttyS0"), builtIn("ttyS1"), ftdi("ttyUSB0", "A1")}, {}, {}},
         {"COM3 -> " + kA1}},
        {"re-plugged into another socket: its link names it by its stable path",
         {{ftdi("ttyUSB1", "A1")}, {{2, link(2, kA1, "/dev/ttyUSB1")}}, {}},
         {}},
        {"two identical adapters, one already known: told apart by serial number",
         {{ftdi("ttyUSB0", "B2"), ftdi("ttyUSB1", "A1")}, {{1, link(1, kA1, "/dev/ttyUSB1")}}, {}},
         {"COM2 -> " + kB2}},
        {"two identical adapters, both new: in the order of their devices",
         {{ftdi("ttyUSB0", "B2"), ftdi("ttyUSB1", "A1")}, {}, {}},
         {"COM1 -> " + kB2, "COM2 -> " + kA1}},
        {"the user's own link reaches the adapter: it wins",
         {{ftdi("ttyUSB0", "A1")}, {{4, link(4, "/dev/ttyUSB0", "/dev/ttyUSB0")}}, {}},
         {}},
        {"the user's link leads nowhere: its number is still taken",
         {{ftdi("ttyUSB0", "A1")}, {{1, link(1, "/dev/ttyUSB7", "")}}, {}},
         {"COM2 -> " + kA1}},
        {"the user gave it no number", {{ftdi("ttyUSB0", "A1")}, {}, {kA1}}, {}},
        {"an adapter without by-id link is named by its device",
         {{{"/dev/ttyACM0", "/dev/ttyACM0", "", "", "", 0x2341, 0x0043}}, {}, {}},
         {"COM1 -> /dev/ttyACM0"}},
        {"a line offered in the adapters folder",
         {{{"/dev/pts/3", "/home/u/.config/nvq-can-setup/adapters/sim-1", "sim-1", "", "",
            std::nullopt, std::nullopt}},
          {},
          {}},
         {"COM1 -> /home/u/.config/nvq-can-setup/adapters/sim-1"}},
        {"a built-in port whose own number a link took gets no second number",
         {{builtIn("ttyS0"), ftdi("ttyUSB0", "A1")},
          {{1, link(1, "/dev/pts/4", "/dev/pts/4")}},
          {}},
         {"COM2 -> " + kA1}},
        {"a built-in port beyond the default numbers", {{builtIn("ttyAMA0")}, {}, {}}, {}},
        {"every number taken", {{ftdi("ttyUSB0", "A1")}, allTaken, {}}, {}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(made(c.state), c.made) << c.what;
    }
}

TEST(ComAssignment, EachNumberShowsWhatItReaches) {
    const PortsState state{
        {builtIn("ttyS0"),
         ftdi("ttyUSB1", "A50285BI"),
         {"/dev/pts/3", "/home/u/.config/nvq-can-setup/adapters/nvq-can-sim-1", "nvq-can-sim-1", "",
          "", std::nullopt, std::nullopt}},
        {{2, link(2, "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0",
                  "/dev/ttyUSB1")},
         {3, link(3, kB2, "")},
         {4, link(4, "/dev/pts/9", "/dev/pts/9")},
         {5, link(5, "/home/u/.config/nvq-can-setup/adapters/nvq-can-sim-1", "/dev/pts/3")}},
        {}};
    const QStringList expected = {
        "/dev/ttyS0",
        "/dev/ttyUSB1 · FT232R USB UART · FTDI · A50285BI",
        "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_B2-if00-port0 · not plugged in",
        "/dev/pts/9",
        "/dev/pts/3 · nvq-can-sim-1",
        "/dev/ttyS5 · no device",
    };
    QStringList shown;
    for (int n = 1; n <= 6; ++n) {
        shown << comReach(state, n);
    }
    EXPECT_EQ(shown, expected);
    EXPECT_EQ(comNumberOf(state, ftdi("ttyUSB1", "A50285BI")), 2);
    EXPECT_EQ(comNumberOf(state, builtIn("ttyS0")), 1);
    EXPECT_EQ(comNumberOf(state, ftdi("ttyUSB9", "Z9")), 0);
}

// COMn is its link when there is one, wherever that leads: the default /dev/ttyS<n-1> then is
// no longer COMn, even when the system lists it.
TEST(ComAssignment, ALinkShadowsTheDefaultDevice) {
    const PortsState state{{builtIn("ttyS0"), builtIn("ttyS1"), ftdi("ttyUSB0", "A1")},
                           {{1, link(1, "/dev/ttyUSB0", "/dev/ttyUSB0")}, {2, link(2, kB2, "")}},
                           {}};
    const struct {
        int number;
        QString reach;
        QString adapter;  // the listed line COMn reaches, "" when none
    } cases[] = {
        {1, "/dev/ttyUSB0 · FT232R USB UART · FTDI · A1", "/dev/ttyUSB0"},
        {2, kB2 + " · not plugged in", ""},
        {3, "/dev/ttyS2 · no device", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(comReach(state, c.number), c.reach) << c.number;
        const SerialAdapter* a = adapterAt(state, c.number);
        EXPECT_EQ(a ? a->systemLocation : QString(), c.adapter) << c.number;
    }
    EXPECT_EQ(comNumberOf(state, builtIn("ttyS0")), 0);
    EXPECT_EQ(comNumberOf(state, builtIn("ttyS1")), 0);
    EXPECT_EQ(comNumberOf(state, ftdi("ttyUSB0", "A1")), 1);
}

// A link's target is anybody's text: shown with its control characters made visible.
TEST(ComAssignment, WhatANumberReachesShowsNoControlCharacters) {
    const PortsState state{{}, {{1, link(1, "/dev/serial/by-id/x\r\x1b[2J", "")}}, {}};
    EXPECT_EQ(comReach(state, 1), "/dev/serial/by-id/x\\x0D\\x1B[2J · not plugged in");
}

TEST(ComAssignment, DevicesAreOrderedByTheirNumbers) {
    QStringList locations = {"/dev/ttyUSB10", "/dev/ttyUSB2", "/dev/ttyS0",
                             "/dev/ttyACM0",  "/dev/ttyUSB",  "/dev/pts/3"};
    std::sort(locations.begin(), locations.end(), systemLocationLess);
    EXPECT_EQ(locations, QStringList({"/dev/pts/3", "/dev/ttyACM0", "/dev/ttyS0", "/dev/ttyUSB",
                                      "/dev/ttyUSB2", "/dev/ttyUSB10"}));
}

}  // namespace
