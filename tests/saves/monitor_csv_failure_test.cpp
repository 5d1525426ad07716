// "nvq-can monitor --csv" against the simulator when its file meets trouble: the rows go into the
// file as they come, a full disk ends the monitor with the rows that fitted, whole, and a kill
// leaves every row written before it.
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <QDeadlineTimer>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <csignal>
#include <optional>

#include "e2e/sim_process.h"
#include "support/file_faults.h"
#include "support/qt_printers.h"

namespace {

const QStringList kDevice{"--port", "5", "--baud", "9600", "--id", "2"};

// Starts nvq-can monitor writing its CSV to path. With a room, the process's files may grow to
// that many bytes at most, as on a full disk: writes past it fail with "File too large".
void startMonitor(QProcess& monitor, const QString& path, std::optional<rlim_t> room) {
    if (room) {
        const rlim_t bytes = *room;
        monitor.setChildProcessModifier([bytes] {
            std::signal(SIGXFSZ, SIG_IGN);  // a failed write, not a killed process
            rlimit limit{};
            getrlimit(RLIMIT_FSIZE, &limit);
            limit.rlim_cur = bytes;
            setrlimit(RLIMIT_FSIZE, &limit);
        });
    }
    monitor.start(QStringLiteral(NVQ_CLI_PATH),
                  QStringList{"monitor", "--csv", path, "--seconds", "60"} + kDevice);
}

// The milliseconds of each tick line the monitor printed ("      12 ms  AR=0 ...").
QList<qint64> printedTicks(const QByteArray& out) {
    static const QRegularExpression tick(QStringLiteral("^ *(\\d+) ms  "),
                                         QRegularExpression::MultilineOption);
    QList<qint64> ms;
    for (auto it = tick.globalMatch(QString::fromLocal8Bit(out)); it.hasNext();) {
        ms << it.next().captured(1).toLongLong();
    }
    return ms;
}

// The file's lines without their CR LF; fails the test when one is not ended by CR LF or holds a
// line break of its own (a row cut short, or two run together).
QByteArrayList wholeLines(const QByteArray& file) {
    QByteArrayList lines = file.split('\n');
    EXPECT_EQ(lines.takeLast(), "") << "the file ends with a whole line";
    for (QByteArray& line : lines) {
        EXPECT_TRUE(line.endsWith('\r') && line.count('\r') == 1) << line.toStdString();
        line.chop(1);
    }
    return lines;
}

// The milliseconds of each data row (the header left out).
QList<qint64> rowTicks(const QByteArrayList& lines) {
    QList<qint64> ms;
    for (const QByteArray& line : lines.mid(1)) {
        ms << line.split(',').value(0).toLongLong();
    }
    return ms;
}

class MonitorCsvFailureTest : public ::testing::Test {
  protected:
    SimProcess sim{{"--port", "5", "--device", "2:9600"}};
    QTemporaryDir dir;
    const QString path = dir.filePath("status.csv");
};

// The disk fills up in the header or after some rows: the monitor stops at once with code 1,
// the file keeps the rows printed before, whole, and standard error says how many.
TEST_F(MonitorCsvFailureTest, AFullDiskEndsItWithItsWholeRows) {
    ASSERT_TRUE(sim.started());
    // The header is some 300 bytes; the port's lock file, also written, takes about 100.
    const struct {
        rlim_t room;
        bool headerFits;
    } cases[] = {{200, false}, {3000, true}};
    for (const auto [room, headerFits] : cases) {
        ASSERT_TRUE(putFile(path, "an old file\r\n"));
        QProcess monitor;
        startMonitor(monitor, path, room);
        ASSERT_TRUE(monitor.waitForFinished(30000)) << room;
        EXPECT_EQ(monitor.exitStatus(), QProcess::NormalExit) << room;
        EXPECT_EQ(monitor.exitCode(), 1) << room;
        const QByteArray file = fileBytes(path);
        const QList<qint64> printed = printedTicks(monitor.readAllStandardOutput());
        EXPECT_LE(file.size(), qint64(room));
        if (!headerFits) {
            EXPECT_EQ(file, "");
            EXPECT_EQ(printed, QList<qint64>());
        } else {
            const QByteArrayList lines = wholeLines(file);
            ASSERT_GT(lines.size(), 2) << room;
            EXPECT_TRUE(lines[0].startsWith("ms,communication,encoder,position,"));
            EXPECT_EQ(rowTicks(lines), printed) << "every row printed is in the file";
            // The row that did not fit is no longer than twice a row that did.
            EXPECT_LT(qint64(room) - file.size(), 2 * (lines.back().size() + 2)) << room;
        }
        EXPECT_EQ(QString::fromLocal8Bit(monitor.readAllStandardError()),
                  QString("nvq-can: Recording stopped: %1: File too large; %2 rows kept\n")
                      .arg(path)
                      .arg(printed.size()))
            << room;
    }
}

// Killed while it runs, the monitor leaves every row it wrote before, none cut short: at least
// the rows of the ticks it printed, since a tick's row is written before its line is printed.
TEST_F(MonitorCsvFailureTest, AKillKeepsEveryRowWritten) {
    ASSERT_TRUE(sim.started());
    QProcess monitor;
    startMonitor(monitor, path, std::nullopt);
    QByteArray out;
    for (QDeadlineTimer deadline(20000); printedTicks(out).size() < 5 && !deadline.hasExpired();) {
        monitor.waitForReadyRead(100);
        out += monitor.readAllStandardOutput();
    }
    const QList<qint64> printed = printedTicks(out);
    ASSERT_GE(printed.size(), 5);
    monitor.kill();
    ASSERT_TRUE(monitor.waitForFinished(5000));
    EXPECT_EQ(monitor.exitStatus(), QProcess::CrashExit);

    const QByteArrayList lines = wholeLines(fileBytes(path));
    ASSERT_GT(lines.size(), printed.size());
    EXPECT_TRUE(lines[0].startsWith("ms,communication,encoder,position,"));
    EXPECT_EQ(rowTicks(lines).mid(0, printed.size()), printed);
}

// A file that cannot be opened is refused before anything is sent (a file error, code 2).
TEST_F(MonitorCsvFailureTest, AFileThatCannotBeOpenedSendsNothing) {
    ASSERT_TRUE(sim.started());
    const QString missing = dir.filePath("gone/status.csv");
    QProcess monitor;
    startMonitor(monitor, missing, std::nullopt);
    ASSERT_TRUE(monitor.waitForFinished(30000));
    EXPECT_EQ(monitor.exitCode(), 2);
    EXPECT_EQ(QString::fromLocal8Bit(monitor.readAllStandardError()),
              "nvq-can: cannot write " + missing + ": No such file or directory\n");
    EXPECT_TRUE(sim.sent().isEmpty());
}

}  // namespace
