// What the user is told when a port cannot be opened, from the facts the system gives.
#include <gtest/gtest.h>

#include "support/qt_printers.h"

#include "ports/open_failure.h"

namespace {

TEST(OpenFailure, TheKindFollowsWhatQSerialPortReports) {
    const struct {
        QSerialPort::SerialPortError error;
        const char* text;
        const char* device;
        OpenFailureKind kind;
    } cases[] = {
        {QSerialPort::DeviceNotFoundError, "No such file or directory", "/dev/ttyUSB0",
         OpenFailureKind::NotFound},
        {QSerialPort::PermissionError, "Permission denied", "/dev/ttyUSB0",
         OpenFailureKind::NoAccess},
        {QSerialPort::PermissionError, "Device or resource busy", "/dev/ttyACM0",
         OpenFailureKind::Busy},
        {QSerialPort::PermissionError, "Permission error while locking the device", "/dev/ttyACM0",
         OpenFailureKind::Busy},
        {QSerialPort::ResourceError, "Input/output error", "/dev/ttyS4",
         OpenFailureKind::NoHardware},
        {QSerialPort::OpenError, "Input/output error", "/dev/ttyS4", OpenFailureKind::NoHardware},
        {QSerialPort::ResourceError, "Input/output error", "/dev/ttyUSB0", OpenFailureKind::Other},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(openFailureKind(c.error, c.text, c.device), c.kind) << c.text << " " << c.device;
    }
}

TEST(OpenFailure, AMissingDeviceSaysWhatIsMissing) {
    EXPECT_EQ(
        notFoundHelp({OpenFailureKind::NotFound, 4, "/home/u/.config/nvq-can-setup/ports/com4",
                      "/home/u/.config/nvq-can-setup/ports/com4"},
                     "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0"),
        "COM4 leads to /dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0, which "
        "is not there: the adapter is not plugged in.\r"
        "Plug it in, or pick another COM port.");
    EXPECT_EQ(notFoundHelp({OpenFailureKind::NotFound, 5, "", "/dev/ttyS4"}, ""),
              "COM5 is /dev/ttyS4, which does not exist on this computer.\r"
              "Pick the COM port of your adapter: the list shows what each one reaches, and "
              "\"Ports...\" lists the adapters.");
    EXPECT_EQ(noHardwareHelp({OpenFailureKind::NoHardware, 2, "", "/dev/ttyS1"}),
              "COM2 is /dev/ttyS1, a serial port with no hardware behind it.\r"
              "Pick the COM port of your adapter: the list shows what each one reaches, and "
              "\"Ports...\" lists the adapters.");
}

TEST(OpenFailure, APortTheUserMayNotUseSaysHowToGetAccess) {
    const NodeAccess dialout{"/dev/ttyUSB0", "crw-rw----", "root", "dialout",
                             true,           "alice",      false,  false};
    NodeAccess joinedLater = dialout;
    joinedLater.userInGroup = true;
    NodeAccess ownerOnly = dialout;
    ownerOnly.mode = "crw-------";
    ownerOnly.groupMayUse = false;
    const struct {
        const char* what;
        NodeAccess access;
        QString said;
    } cases[] = {
        {"not in the group", dialout,
         "You may not use /dev/ttyUSB0: it belongs to the group dialout, and your user alice is "
         "not in that group.\r"
         "To join it, run:  sudo usermod -aG dialout alice\r"
         "then log out and log in again (a new group counts from the next login)."},
        {"in the group since this login began", joinedLater,
         "You may not use /dev/ttyUSB0 yet: your user alice is in the group dialout, but this "
         "login started before that.\r"
         "Log out and log in again (or restart the computer)."},
        {"the group may not use it either", ownerOnly,
         "You may not use /dev/ttyUSB0 (crw-------, owner root, group dialout).\r"
         "Ask the administrator of this computer for access to it."},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(noAccessHelp(c.access), c.said) << c.what;
    }
}

TEST(OpenFailure, ABusyPortNamesTheProgramsThatHoldIt) {
    const struct {
        const char* what;
        QList<DeviceHolder> holders;
        QString said;
    } cases[] = {
        {"nobody known",
         {},
         "/dev/ttyACM0 is in use by another program.\rClose that program and try again."},
        {"two programs, one without a readable name",
         {{4711, "minicom"}, {815, ""}},
         "/dev/ttyACM0 is in use by another program: minicom (process 4711), process 815.\r"
         "Close that program and try again."},
        {"a program whose name looks like a placeholder",
         {{4711, "%1"}, {815, "%2x"}},
         "/dev/ttyACM0 is in use by another program: %1 (process 4711), %2x (process 815).\r"
         "Close that program and try again."},
        {"ModemManager",
         {{812, "ModemManager"}},
         "/dev/ttyACM0 is in use by another program: ModemManager (process 812).\r"
         "Close that program and try again.\r"
         "ModemManager looks at every new modem-like port for a while; if it keeps this one, "
         "stop it with:  sudo systemctl stop ModemManager"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(busyHelp("/dev/ttyACM0", c.holders), c.said) << c.what;
    }
    EXPECT_EQ(busyHelp("/dev/ttyACM0", {}, "/run/lock/LCK..ttyACM0"),
              "/dev/ttyACM0 is locked by the file /run/lock/LCK..ttyACM0, which names no running "
              "program.\r"
              "If no other program uses the port, remove that file and try again:  sudo rm -r "
              "/run/lock/LCK..ttyACM0");
}

TEST(OpenFailure, SomethingWhereTheLockFileGoesIsNamedWithTheCommandThatRemovesIt) {
    OpenFailure failure{
        OpenFailureKind::BadLockFile, 3, "", "/dev/ttyUSB0", "/run/lock/LCK..ttyUSB0",
        "it is a named pipe (FIFO)"};
    EXPECT_EQ(explainOpenFailure(failure),
              "/run/lock/LCK..ttyUSB0 is no lock file: it is a named pipe (FIFO). Serial programs "
              "lock /dev/ttyUSB0 with a small ordinary file of that name; while this one is "
              "there, the port is not opened.\r"
              "Remove it and try again:  sudo rm -r /run/lock/LCK..ttyUSB0");
    failure.device = "/home/u/my tty\r";
    failure.lockFile = "/tmp/LCK.._home_u_my tty\r";
    failure.lockFileProblem = "it is a folder";
    EXPECT_EQ(badLockFileHelp(failure),
              "/tmp/LCK.._home_u_my tty\\x0D is no lock file: it is a folder. Serial programs "
              "lock /home/u/my tty\\x0D with a small ordinary file of that name; while this one "
              "is there, the port is not opened.\r"
              "Remove it and try again:  sudo rm -r '/tmp/LCK.._home_u_my tty\\x0D'");
}

// Link targets are anybody's text: a line end in one cannot start a line of the message.
TEST(OpenFailure, ALinkTargetCannotAddLinesToTheMessage) {
    EXPECT_EQ(
        notFoundHelp({OpenFailureKind::NotFound, 4, "/home/u/ports/com4", "/home/u/ports/com4"},
                     "/dev/serial/by-id/x\rRun:  rm -rf ~ %1"),
        "COM4 leads to /dev/serial/by-id/x\\x0DRun:  rm -rf ~ %1, which is not there: the "
        "adapter is not plugged in.\r"
        "Plug it in, or pick another COM port.");
}

}  // namespace
