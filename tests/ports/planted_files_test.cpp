// Files in folders others may fill: what the capped reader takes and refuses, the lock files of a
// device and what they name, the list of adapters given no number, and how outside text is shown.
#include <gtest/gtest.h>

#include "support/qt_printers.h"

#include <QProcess>
#include <QTemporaryDir>

#include "files/capped_file.h"
#include "files/visible_text.h"
#include "ports/device_access.h"
#include "ports/lock_files.h"
#include "ports/ports_folder.h"
#include "support/file_faults.h"
#include "support/planted.h"

namespace {

struct PlantedCase {
    const char* what;
    Planted kind;
    const char* problem;  // nullptr: read
};
const PlantedCase kPlanted[] = {
    {"named pipe", Planted::NamedPipe, "it is a named pipe (FIFO)"},
    {"link to /dev/zero", Planted::LinkToZero, "it is a symbolic link"},
    {"folder", Planted::Folder, "it is a folder"},
    {"huge file", Planted::HugeFile,
     "it holds 1073741824 bytes, more than the 512 such a file may hold"},
    {"garbage", Planted::Garbage, nullptr},
};

TEST(PlantedFiles, OnlyASmallRegularFileIsRead) {
    QTemporaryDir dir;
    for (const PlantedCase& c : kPlanted) {
        SCOPED_TRACE(c.what);
        const QString path = dir.filePath(QString::number(int(c.kind)));
        ASSERT_TRUE(plant(path, c.kind));
        const Deadline deadline(5000, c.what);
        const CappedFile file = readCappedFile(path, 512);
        if (c.problem) {
            EXPECT_EQ(file.outcome, CappedFile::Outcome::Refused);
            EXPECT_EQ(file.problem, c.problem);
            EXPECT_EQ(notASmallFile(path, 512), std::optional<QString>(c.problem));
        } else {
            EXPECT_EQ(file.outcome, CappedFile::Outcome::Read);
            EXPECT_EQ(file.bytes, kGarbage);
            EXPECT_EQ(notASmallFile(path, 512), std::nullopt);
        }
    }
    const struct {
        QString path;
        CappedFile::Outcome outcome;
        QString problem;
    } others[] = {
        {"/dev/null", CappedFile::Outcome::Refused, "it is a device"},
        {dir.filePath("none"), CappedFile::Outcome::Missing, ""},
        {dir.filePath("none/deeper"), CappedFile::Outcome::Missing, ""},
    };
    for (const auto& c : others) {
        const CappedFile file = readCappedFile(c.path, 512);
        EXPECT_EQ(file.outcome, c.outcome) << c.path.toStdString();
        EXPECT_EQ(file.problem, c.problem) << c.path.toStdString();
    }
    ASSERT_TRUE(putFile(dir.filePath("full"), QByteArray(512, 'x')));
    EXPECT_EQ(readCappedFile(dir.filePath("full"), 512).bytes, QByteArray(512, 'x'));
    EXPECT_EQ(readCappedFile(dir.filePath("full"), 511).problem,
              "it holds 512 bytes, more than the 511 such a file may hold");
}

TEST(PlantedFiles, LockFilesAreNamedAsSerialProgramsNameThem) {
    const struct {
        const char* device;
        const char* name;
    } names[] = {
        {"/dev/ttyUSB0", "LCK..ttyUSB0"},
        {"/dev/pts/3", "LCK..pts_3"},
        {"/home/u/tty", "LCK.._home_u_tty"},
    };
    for (const auto& n : names) {
        EXPECT_EQ(lockFileName(n.device), n.name);
    }
    QTemporaryDir dir;
    const ExtraLockFolder extra(dir.path());
    const QStringList paths = lockFilePaths("/dev/ttyUSB0");
    const QStringList system = {
        "/var/lock/LCK..ttyUSB0",
        "/var/lock/LCK..ttyUSB0.rmlock",
        "/etc/locks/LCK..ttyUSB0",
        "/etc/locks/LCK..ttyUSB0.rmlock",
        "/var/spool/locks/LCK..ttyUSB0",
        "/var/spool/locks/LCK..ttyUSB0.rmlock",
        "/var/spool/uucp/LCK..ttyUSB0",
        "/var/spool/uucp/LCK..ttyUSB0.rmlock",
        "/run/lock/LCK..ttyUSB0",
        "/run/lock/LCK..ttyUSB0.rmlock",
        "/tmp/LCK..ttyUSB0",
        "/tmp/LCK..ttyUSB0.rmlock",
        "/var/tmp/LCK..ttyUSB0",
        "/var/tmp/LCK..ttyUSB0.rmlock",
    };
    EXPECT_EQ(paths.mid(0, system.size()), system);
    EXPECT_EQ(paths.mid(paths.size() - 2),
              QStringList({dir.filePath("LCK..ttyUSB0"), dir.filePath("LCK..ttyUSB0.rmlock")}));
}

TEST(PlantedFiles, ALockFileNamesItsProcessOrNothing) {
    const struct {
        QByteArray bytes;
        std::optional<LockOwner> owner;
    } cases[] = {
        {"4711\nminicom\nbench-pc\n", LockOwner{4711, "minicom", "bench-pc"}},
        {"      4711\n", LockOwner{4711, "", ""}},
        {"4711\r\nminicom\r\nbench-pc\r\n", LockOwner{4711, "minicom", "bench-pc"}},
        {"4711\n%1\n", LockOwner{4711, "%1", ""}},
        {"4711\nmini\x1b[2Jcom\n", LockOwner{4711, "", ""}},
        {"4711\n" + QByteArray(65, 'a') + "\n", LockOwner{4711, "", ""}},
        {"2147483647\n", LockOwner{2147483647, "", ""}},
        {"2147483648\n", std::nullopt},
        {"12345678901\n", std::nullopt},
        {"0\n", std::nullopt},
        {"-5\n", std::nullopt},
        {"\x67\x12\0\0", std::nullopt},
        {kGarbage, std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(parseLockFile(c.bytes), c.owner) << c.bytes.toStdString();
    }
}

// A lock folder of the test's own; the device's name is one no real lock file has.
TEST(PlantedFiles, WhatLiesWhereALockFileGoesIsToldApart) {
    QTemporaryDir dir;
    const ExtraLockFolder extra(dir.path());
    const QString device = "/dev/nvq-test/" + QFileInfo(dir.path()).fileName();
    const QString lock = dir.filePath(lockFileName(device));
    for (const PlantedCase& c : kPlanted) {
        for (const QString& path : {lock, lock + ".rmlock"}) {
            SCOPED_TRACE(std::string(c.what) + " at " + path.toStdString());
            ASSERT_TRUE(plant(path, c.kind));
            const Deadline deadline(5000, c.what, [path] { removePlanted(path); });
            const auto unusable = unusableLockFile(device);
            ASSERT_EQ(unusable.has_value(), c.problem != nullptr);
            if (unusable) {
                EXPECT_EQ(unusable->path, path);
                EXPECT_EQ(unusable->problem, c.problem);
            }
            EXPECT_EQ(deviceHolders(device), QList<DeviceHolder>());
            EXPECT_EQ(strayLockFile(device),
                      c.kind == Planted::Garbage && path == lock ? lock : "");
            removePlanted(path);
        }
    }
    QProcess sleeper;
    sleeper.start("sleep", {"30"});
    ASSERT_TRUE(sleeper.waitForStarted(5000));
    const struct {
        QByteArray bytes;
        QList<DeviceHolder> holders;
        QString stray;
    } named[] = {
        {QByteArray::number(sleeper.processId()) + "\nsleep\n",
         {{sleeper.processId(), "sleep"}},
         ""},
        {"2147483646\nvanished\n", {}, lock},
    };
    for (const auto& n : named) {
        ASSERT_TRUE(putFile(lock, n.bytes));
        EXPECT_EQ(deviceHolders(device), n.holders) << n.bytes.toStdString();
        EXPECT_EQ(strayLockFile(device), n.stray) << n.bytes.toStdString();
    }
    sleeper.kill();
    sleeper.waitForFinished(5000);
}

TEST(PlantedFiles, TheListOfAdaptersWithoutNumberTakesOnlyAbsolutePaths) {
    const QString a = "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A1-if00-port0";
    const QString b = "/home/u/.config/nvq-can-setup/adapters/bench line";
    const struct {
        const char* what;
        QByteArray content;
        QStringList paths;
    } cases[] = {
        {"LF", (a + "\n" + b + "\n").toUtf8(), {a, b}},
        {"CR LF", (a + "\r\n" + b + "\r\n").toUtf8(), {a, b}},
        {"no final line end", (a + "\r\n" + b).toUtf8(), {a, b}},
        {"twice, relative, empty", (a + "\nrelative/x\n\n" + a + "\n").toUtf8(), {a}},
        {"control characters", "/dev/tty\x1b[2J\n/dev/a\rb\n", {}},
        {"garbage", kGarbage, {}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(parseUnassigned(c.content), c.paths) << c.what;
    }
    EXPECT_EQ(unassignedContent({a, b}), (a + "\n" + b + "\n").toUtf8());
}

TEST(PlantedFiles, OutsideTextShowsItsControlCharacters) {
    const struct {
        QString text;
        QString shown;
    } cases[] = {
        {"/dev/ttyUSB0", "/dev/ttyUSB0"},
        {"COM3 → /dev/pts/3 · Ünïcode 😀", "COM3 → /dev/pts/3 · Ünïcode 😀"},
        {"a\rb\nc\td", "a\\x0Db\\x0Ac\\x09d"},
        {"\x1b[31mred", "\\x1B[31mred"},
        {QString("left") + QChar(0x202E) + "right", "left\\u{202E}right"},
        {"%1 %2", "%1 %2"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(visibleText(c.text), c.shown);
    }
    EXPECT_EQ(visibleShellWord("/run/lock/LCK..ttyUSB0"), "/run/lock/LCK..ttyUSB0");
    EXPECT_EQ(visibleShellWord("/tmp/it's here"), "'/tmp/it'\\''s here'");
    EXPECT_EQ(visibleShellWord("/tmp/a\nb"), "'/tmp/a\\x0Ab'");
}

}  // namespace
