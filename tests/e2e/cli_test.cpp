// nvq-can as a process against nvq-can-sim as a process, on pseudo-terminal COM ports.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <algorithm>

#include "e2e/cli_run.h"
#include "e2e/sim_process.h"
#include "support/qt_printers.h"

namespace {

using CliRun = TimedCliRun;

// Runs nvq-can with the simulator's ports folder (SimProcess has set XDG_CONFIG_HOME), bounded
// in time.
CliRun nvqCan(const QStringList& args, int timeoutMs = 60000) {
    return timedNvqCan(args, timeoutMs);
}

QByteArrayList fileLines(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll().split('\n') : QByteArrayList();
}

const QStringList kLine3 = {"--port", "3", "--baud", "9600"};

// A parameter file that every simulated device takes.
const QByteArray kGoodFile =
    "2\r\n300\r\n0\r\n1\r\n1\r\n1\r\n1\r\n1\r\n1\r\n1\r\n1\r\n1\r\n01\r\n1\r\n9600\r\n"
    "125000\r\n0\r\n 0 \r\n0\r\n0\r\n 1 \r\n";

// Writes a file into the folder and returns its path.
QString putFile(const QTemporaryDir& dir, const QString& name, const QByteArray& content) {
    QFile f(dir.filePath(name));
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(content);
    return dir.filePath(name);
}

// A parameter set on 05 that differs from the simulator's defaults, read into a file, written to
// 06 and 07 with a read-back and a store, and read back from both: the same file but for the
// lines that name each device (13 and 14), which stay each device's own. The store survives a
// power cycle.
TEST(CommandLine, ReadWriteVerifyStoreAndReadBackIdentical) {
    SimProcess sim({"--port", "3", "--device", "5", "--device", "6", "--device", "7"});
    ASSERT_TRUE(sim.started());
    QTemporaryDir dir;
    const QStringList edits{"POL=288", "LCA=250", "SL=1",  "CURR=1800", "CURI=600",
                            "SLT=20",  "SLA=5",   "EDO=1", "DOBOOT=J+", "RZ=1"};
    const CliRun send = nvqCan(QStringList{"send"} + kLine3 + QStringList{"--id", "5"} + edits);
    ASSERT_EQ(send.code, 0) << send.err.toStdString();
    EXPECT_EQ(send.out, QString("OK\n").repeated(edits.size()));

    const QString source = dir.filePath("from05.par");
    const CliRun read =
        nvqCan(QStringList{"read"} + kLine3 + QStringList{"--id", "5", "-o", source});
    ASSERT_EQ(read.code, 0) << read.err.toStdString();
    const QByteArrayList a = fileLines(source);
    ASSERT_EQ(a.size(), 22);  // 21 lines, each ended by CR LF
    EXPECT_EQ(a[0], "288\r");
    EXPECT_EQ(a[12], "05\r");

    const CliRun write = nvqCan(QStringList{"write", source} + kLine3 +
                                QStringList{"--id", "06,07", "--verify", "--store"});
    EXPECT_EQ(write.code, 0) << write.err.toStdString();
    EXPECT_EQ(write.out,
              "06: written, read back equal, stored\n"
              "07: written, read back equal, stored\n");
    for (const char* id : {"6", "7"}) {
        EXPECT_EQ(sim.control(QString("power %1 off").arg(id)), "ok");
        EXPECT_EQ(sim.control(QString("power %1 on").arg(id)), "ok");
    }
    for (const QString id : {"06", "07"}) {
        const QString back = dir.filePath(id + ".par");
        ASSERT_EQ(nvqCan(QStringList{"read"} + kLine3 + QStringList{"--id", id, "-o", back}).code,
                  0);
        QByteArrayList expected = a;
        expected[12] = id.toLatin1() + "\r";
        expected[13] = QByteArray::number(id.toInt()) + "\r";
        EXPECT_EQ(fileLines(back), expected) << id.toStdString();
    }
    // How each device is reached was never written.
    for (const QString& line : sim.sent("COM3")) {
        EXPECT_FALSE(line.contains("DN=") || line.contains("NID=") || line.contains("CM=") ||
                     line.contains("DB=") || line.contains("BR="))
            << line.toStdString();
    }
}

TEST(CommandLine, ADeviceThatFailsIsNamedAndTheOthersAreWritten) {
    SimProcess sim({"--port", "3", "--device", "5", "--device", "6", "--device", "7"});
    ASSERT_TRUE(sim.started());
    QTemporaryDir dir;
    const QString file = dir.filePath("05.par");
    ASSERT_EQ(nvqCan(QStringList{"read"} + kLine3 + QStringList{"--id", "5", "-o", file}).code, 0);
    EXPECT_EQ(sim.control("silent 6 on"), "ok");
    const CliRun write =
        nvqCan(QStringList{"write", file, "--json"} + kLine3 + QStringList{"--id", "5-7"});
    EXPECT_EQ(write.code, 1);
    const QJsonObject summary = QJsonDocument::fromJson(write.out.toUtf8()).object();
    const QJsonArray devices = summary["devices"].toArray();
    ASSERT_EQ(devices.size(), 3);
    EXPECT_TRUE(devices[0].toObject()["written"].toBool());
    EXPECT_EQ(devices[1].toObject()["summary"].toString(),
              "06: nothing written: reading its own values failed at EDO: No Reply to Command: "
              "EDO");
    EXPECT_TRUE(devices[2].toObject()["written"].toBool());
    EXPECT_EQ(summary["exitCode"].toInt(), 1);
}

// Two simulated ports at different rates: the default scan (IDs 01 to 09) finds the devices with
// such IDs, a narrowed one with --all-ids finds ID 12 too.
TEST(CommandLine, ScanFindsWhatTheSimulatorServes) {
    SimProcess sim({"--port", "2", "--device", "3:19200", "--port", "5", "--device", "1:115200",
                    "--device", "12:115200"});
    ASSERT_TRUE(sim.started());
    const CliRun all = nvqCan({"scan", "--json"}, 120000);
    EXPECT_EQ(all.code, 0) << all.err.toStdString();
    QStringList found;
    for (const QJsonValue v : QJsonDocument::fromJson(all.out.toUtf8()).array()) {
        const QJsonObject o = v.toObject();
        found << QString("COM%1 %2 %3")
                     .arg(o["port"].toInt())
                     .arg(o["baud"].toString(), o["id"].toString());
    }
    EXPECT_EQ(found, QStringList({"COM2 19200 03", "COM5 115200 01"}));
    EXPECT_TRUE(all.err.isEmpty()) << "no progress when standard error is no terminal";

    const CliRun narrow = nvqCan({"scan", "--port", "5", "--baud", "115200", "--all-ids"});
    EXPECT_EQ(narrow.code, 0);
    EXPECT_EQ(narrow.out, "COM5 115200 01\nCOM5 115200 12\n");
    EXPECT_EQ(sim.sent("COM2").count("@01DN"), 5) << "the narrowed scan kept off COM2";
}

// A line offered as an adapter gets its COM number from "ports" as the dialog would give it, and
// the scan reaches the device behind that number.
TEST(CommandLine, PortsNumbersAnOfferedAdapterAndTheScanReachesIt) {
    SimProcess sim({"--offer", "--port", "1", "--device", "3"});
    ASSERT_TRUE(sim.started());
    const CliRun ports = nvqCan({"ports"});
    ASSERT_EQ(ports.code, 0) << ports.err.toStdString();
    const QRegularExpression adapter(R"(^COM(\d+) +/dev/pts/\d+ · nvq-can-sim-1  opens$)",
                                     QRegularExpression::MultilineOption);
    const QRegularExpressionMatch m = adapter.match(ports.out);
    ASSERT_TRUE(m.hasMatch()) << ports.out.toStdString();
    const CliRun scan = nvqCan({"scan", "--port", m.captured(1), "--baud", "9600"});
    EXPECT_EQ(scan.code, 0) << scan.err.toStdString();
    EXPECT_EQ(scan.out, "COM" + m.captured(1) + " 9600 03\n");
}

TEST(CommandLine, UsageErrorsAndBadFilesEndWithCode2AndSendNothing) {
    SimProcess sim({"--port", "3", "--device", "5", "--device", "6"});
    ASSERT_TRUE(sim.started());
    QTemporaryDir dir;
    const QString goodFile = putFile(dir, "good.par", kGoodFile);
    const QString shortFile = putFile(dir, "short.par", kGoodFile.left(30));
    const QString badNode =
        putFile(dir, "node.par", QByteArray(kGoodFile).replace("01\r\n1\r\n", "01\r\n0\r\n"));
    const struct {
        QStringList args;
        const char* error;  // part of what standard error says
    } cases[] = {
        {{"write", shortFile, "--id", "5"}, "the file ends after line 10"},
        {{"write", badNode, "--id", "5"}, "line 14 holds \"0\""},
        {{"write", dir.filePath("none.par"), "--id", "5"}, "no such file"},
        {{"write", goodFile, "--id", "5,6", "--comm"}, "--comm takes exactly one device"},
        {{"write", goodFile, "--id", "5", "--rt", "maybe"}, "--rt"},
        {{"write", goodFile, "--id", "0"}, "--id \"0\""},
        {{"write", goodFile}, "--id is missing"},
        {{"write", "--id", "5"}, "one parameter file"},
        {{"read", "--id", "5"}, "-o FILE.par is missing"},
        {{"info", "--id", "5,6"}, "one device ID"},
        {{"send", "--id", "5"}, "no command"},
        {{"monitor", "--id", "5", "--seconds", "-1"}, "--seconds"},
        {{"info", "--id", "5", "--colour"}, "Unknown option"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args.join(' ').toStdString());
        const CliRun run = nvqCan(c.args + kLine3);
        EXPECT_EQ(run.code, 2);
        EXPECT_TRUE(run.err.contains(c.error)) << run.err.toStdString();
        EXPECT_TRUE(run.out.isEmpty());
    }
    for (const QStringList& args :
         {QStringList{"frobnicate"}, QStringList{},
          QStringList{"info", "--port", "16", "--baud", "9600", "--id", "5"},
          QStringList{"info", "--port", "3", "--baud", "4800", "--id", "5"}}) {
        EXPECT_EQ(nvqCan(args).code, 2) << args.join(' ').toStdString();
    }
    EXPECT_EQ(nvqCan({"write", "--help"}).code, 0);
    EXPECT_TRUE(sim.sent().isEmpty()) << sim.sent().join(' ').toStdString();
}

TEST(CommandLine, InfoSendAndMonitorReadTheDevice) {
    SimProcess sim({"--port", "4", "--device", "2:38400"});
    ASSERT_TRUE(sim.started());
    const QStringList line{"--port", "4", "--baud", "38400", "--id", "2"};
    const CliRun info = nvqCan(QStringList{"info", "--json"} + line);
    ASSERT_EQ(info.code, 0) << info.err.toStdString();
    const QJsonObject o = QJsonDocument::fromJson(info.out.toUtf8()).object();
    EXPECT_EQ(o["identity"].toString(), "Stepvane-CAN");
    EXPECT_EQ(o["name"].toString(), "KRB02");
    EXPECT_EQ(o["status"].toObject()["status"].toString(), "IDLE");

    EXPECT_EQ(sim.control("prefix 2 on"), "ok");
    const CliRun plain = nvqCan(QStringList{"send"} + line + QStringList{"VER", "NOPE"});
    EXPECT_EQ(plain.out, "V340\n?\n");
    const CliRun raw = nvqCan(QStringList{"send", "--raw"} + line + QStringList{"VER"});
    EXPECT_EQ(raw.out, "#02V340\n");
    EXPECT_EQ(sim.control("silent 2 on"), "ok");
    const CliRun silent = nvqCan(QStringList{"send", "--raw"} + line + QStringList{"PX"});
    EXPECT_EQ(silent.code, 1);
    EXPECT_EQ(silent.out, "NO REPLY!\n");
    EXPECT_EQ(sim.control("silent 2 off"), "ok");

    QTemporaryDir dir;
    const QString csv = dir.filePath("status.csv");
    const CliRun monitor =
        nvqCan(QStringList{"monitor", "--seconds", "1", "--csv", csv} + line, 20000);
    EXPECT_EQ(monitor.code, 0) << monitor.err.toStdString();
    const QByteArrayList rows = fileLines(csv);
    ASSERT_GT(rows.size(), 10);
    EXPECT_TRUE(rows[0].startsWith("ms,communication,encoder,position,"));
    EXPECT_TRUE(rows[1].startsWith(QByteArray::number(rows[1].split(',')[0].toInt()) + ",1,0,0,"));
    // The rotation reaches every group: the status word is decoded on some row.
    EXPECT_TRUE(std::any_of(rows.begin(), rows.end(),
                            [](const QByteArray& r) { return r.contains(",IDLE,"); }));
    EXPECT_TRUE(monitor.out.contains(" ms  AR=0 EX=0 PX=0"));
}

// "stop" reaches every device at once through ID 00 and waits for no answer: two jogging axes
// stand still after it, and the line carries that one frame.
TEST(CommandLine, StopHaltsEveryAxisOnTheLine) {
    SimProcess sim({"--port", "4", "--device", "1:38400", "--device", "2:38400"});
    ASSERT_TRUE(sim.started());
    const QStringList line{"--port", "4", "--baud", "38400"};
    for (const char* id : {"1", "2"}) {
        const CliRun jog = nvqCan(QStringList{"send", "--id", id, "J+"} + line);
        ASSERT_EQ(jog.code, 0) << jog.err.toStdString();
    }
    const qsizetype before = sim.sent().size();
    const CliRun stop = nvqCan(QStringList{"stop"} + line);
    EXPECT_EQ(stop.code, 0) << stop.err.toStdString();
    EXPECT_EQ(stop.out, "ABORT sent to every device (ID 00)\n");
    EXPECT_EQ(sim.sent().mid(before), QStringList{"@00ABORT"});
    for (const char* id : {"1", "2"}) {
        EXPECT_EQ(nvqCan(QStringList{"send", "--id", id, "PS"} + line).out, "0\n") << id;
    }
    const CliRun json = nvqCan(QStringList{"stop", "--json"} + line);
    EXPECT_EQ(QJsonDocument::fromJson(json.out.toUtf8()).object()["id"].toString(), "00");
    EXPECT_EQ(nvqCan(QStringList{"stop", "PX"} + line).code, 2);
}

// Values out of range, not finite or no number at all are usage errors naming the range; a value
// holding "%1" is quoted as typed.
TEST(CommandLine, OptionValuesOutOfRangeNameTheRange) {
    SimProcess sim({"--port", "3", "--device", "5"});
    ASSERT_TRUE(sim.started());
    const QStringList line = {"--port", "3", "--baud", "9600", "--id", "5"};
    const QString seconds = "must be a number from 0.001 to 10000000\n";
    const struct {
        QStringList args;
        QString error;
    } cases[] = {
        {QStringList{"monitor", "--seconds", "inf"} + line, "--seconds \"inf\": " + seconds},
        {QStringList{"monitor", "--seconds", "nan"} + line, "--seconds \"nan\": " + seconds},
        {QStringList{"monitor", "--seconds", "1e300"} + line, "--seconds \"1e300\": " + seconds},
        {QStringList{"monitor", "--seconds", "10000000.5"} + line,
         "--seconds \"10000000.5\": " + seconds},
        {QStringList{"monitor", "--seconds", "0.0009"} + line, "--seconds \"0.0009\": " + seconds},
        {QStringList{"monitor", "--seconds", "0"} + line, "--seconds \"0\": " + seconds},
        {QStringList{"monitor", "--seconds", "ten"} + line, "--seconds \"ten\": " + seconds},
        {{"info", "--baud", "9600", "--id", "5", "--port", "%1"},
         "--port \"%1\": must be a whole number from 1 to 15\n"},
        {{"write", "x.par", "--port", "3", "--baud", "9600", "--id", "%2-4"},
         "--id \"%2\": must be a whole number from 1 to 99\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args.join(' ').toStdString());
        const CliRun run = nvqCan(c.args, 10000);
        EXPECT_EQ(run.code, 2);
        EXPECT_EQ(run.err, "nvq-can: " + c.error);
    }
    EXPECT_TRUE(sim.sent().isEmpty()) << sim.sent().join(' ').toStdString();
    EXPECT_EQ(nvqCan(QStringList{"monitor", "--seconds", "0.001"} + line, 10000).code, 0);
}

// Control characters from a device, a file or an adapter's name reach the terminal escaped, a
// backslash doubled; JSON keeps the value exactly, in its own escapes.
TEST(CommandLine, WhatDevicesFilesAndAdaptersSayIsPrintedEscaped) {
    SimProcess sim({"--port", "3", "--device", "5"});
    ASSERT_TRUE(sim.started());
    const QString version = "V3\x1b[31m" + QString(QChar(0)) + "\\x1b" + QChar(0x9b) + "!";
    ASSERT_EQ(sim.control("version 5 " + version), "ok");
    const QString shown = R"(V3\x1b[31m\x00\\x1b\x9b!)";
    const QStringList line = {"--port", "3", "--baud", "9600", "--id", "5"};
    const struct {
        QStringList args;
        QString out;
    } printed[] = {
        {QStringList{"send", "VER"} + line, shown + "\n"},
        {QStringList{"send", "--raw", "VER"} + line, shown + "\n"},
    };
    for (const auto& c : printed) {
        SCOPED_TRACE(c.args.join(' ').toStdString());
        const CliRun run = nvqCan(c.args);
        EXPECT_EQ(run.code, 0) << run.err.toStdString();
        EXPECT_EQ(run.out, c.out);
    }
    const CliRun info = nvqCan(QStringList{"info"} + line);
    EXPECT_TRUE(info.out.contains("\nVersion    " + shown + "\n")) << info.out.toStdString();

    const auto controlsBesideLineEnds = [](const QString& text) {
        return std::count_if(text.begin(), text.end(), [](QChar c) {
            return c.category() == QChar::Other_Control && c != '\n';
        });
    };
    for (const QStringList& args :
         {QStringList{"send", "--json", "VER"} + line, QStringList{"info", "--json"} + line}) {
        SCOPED_TRACE(args.join(' ').toStdString());
        const CliRun run = nvqCan(args);
        EXPECT_EQ(controlsBesideLineEnds(run.out), 0);
        QJsonParseError error;
        const QJsonDocument doc = QJsonDocument::fromJson(run.out.toUtf8(), &error);
        EXPECT_EQ(error.error, QJsonParseError::NoError);
        EXPECT_EQ(doc.isArray() ? doc.array()[0].toObject()["reply"].toString()
                                : doc.object()["version"].toString(),
                  version);
    }

    // A parameter file's line, quoted in its refusal.
    QTemporaryDir dir;
    const QString file =
        putFile(dir, "esc.par", QByteArray(kGoodFile).replace("01\r\n1\r\n", "01\r\n\x1b[2J\r\n"));
    const CliRun write = nvqCan(QStringList{"write", file} + line);
    EXPECT_EQ(write.code, 2);
    EXPECT_EQ(write.err, "nvq-can: " + file +
                             R"(: line 14 holds "\x1b[2J", which is no node ID ("1" to "127", )"
                             R"(or nothing); nothing was sent)"
                             "\n");

    // A line offered as an adapter: the inventory drops control characters from its name, and a
    // backslash there is doubled like any other.
    const QString adapters = sim.portsDir() + "/../adapters";
    ASSERT_TRUE(QDir().mkpath(adapters));
    ASSERT_TRUE(QFile::link(QFileInfo(sim.portsDir() + "/com3").symLinkTarget(),
                            adapters + R"(/sim\x1b[2Jline)"));
    const CliRun ports = nvqCan({"ports"});
    EXPECT_EQ(ports.code, 0);
    EXPECT_TRUE(ports.out.contains(R"( · sim\\x1b[2Jline  opens)")) << ports.out.toStdString();
    EXPECT_EQ(controlsBesideLineEnds(ports.out), 0);
}

// Each listed device once, in the order first named; --verify and --store each add their own
// step.
TEST(CommandLine, WriteTakesEachDeviceOnceAndTheStepsAskedFor) {
    SimProcess sim({"--port", "3", "--device", "4", "--device", "5", "--device", "6"});
    ASSERT_TRUE(sim.started());
    QTemporaryDir dir;
    const QString file = putFile(dir, "good.par", kGoodFile);
    const struct {
        QStringList args;
        const char* out;
    } cases[] = {
        {{"--id", "5"}, "05: written\n"},
        {{"--id", "5", "--verify"}, "05: written, read back equal\n"},
        {{"--id", "5", "--store"}, "05: written, stored\n"},
        {{"--id", "5", "--verify", "--store"}, "05: written, read back equal, stored\n"},
        {{"--id", "05,05"}, "05: written\n"},
        {{"--id", "05,04-06"}, "05: written\n04: written\n06: written\n"},
        {{"--id", "6", "--id", "4-6"}, "06: written\n04: written\n05: written\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args.join(' ').toStdString());
        const CliRun run = nvqCan(QStringList{"write", file} + kLine3 + c.args);
        EXPECT_EQ(run.code, 0) << run.err.toStdString();
        EXPECT_EQ(run.out, c.out);
    }
}

// The doctor on a clean line, with an expected device that stays silent, and refused usages;
// its JSON parses and the line carries queries only.
TEST(CommandLine, DoctorExitCodesAndJson) {
    SimProcess sim({"--port", "3", "--device", "1", "--device", "2", "--device", "5"});
    ASSERT_TRUE(sim.started());
    const CliRun clean = nvqCan(QStringList{"doctor", "--id", "1,2,5"} + kLine3);
    EXPECT_EQ(clean.code, 0) << clean.err.toStdString();
    EXPECT_TRUE(clean.out.startsWith("No fault found.\n")) << clean.out.toStdString();
    EXPECT_TRUE(
        clean.out.contains("\n  Sent to 01, 02, 05: ID, VER, DN, then ID, PX, EX 10 "
                           "times each\n"))
        << clean.out.toStdString();
    EXPECT_TRUE(clean.err.isEmpty()) << "no progress when standard error is no terminal";

    const CliRun silent = nvqCan(QStringList{"doctor", "--id", "1,3", "--json"} + kLine3);
    EXPECT_EQ(silent.code, 1) << silent.err.toStdString();
    QJsonParseError error;
    const QJsonObject o = QJsonDocument::fromJson(silent.out.toUtf8(), &error).object();
    ASSERT_EQ(error.error, QJsonParseError::NoError) << silent.out.toStdString();
    const QJsonArray findings = o["findings"].toArray();
    ASSERT_EQ(findings.size(), 1);
    EXPECT_EQ(findings[0].toObject()["kind"].toString(), "silent_device");
    EXPECT_EQ(findings[0].toObject()["title"].toString(), "03 does not answer");
    EXPECT_EQ(o["devices"].toObject()["01"].toObject()["exchanges"].toInt(), 33);
    EXPECT_EQ(o["sent"].toArray().last().toString(),
              "Probed 03 with DN at 19200, 38400, 57600 and 115200 baud");

    const QRegularExpression query("^@0[1-9](DN|ID|VER|PX|EX)$");
    for (const QString& line : sim.sent("COM3")) {
        EXPECT_TRUE(query.match(line).hasMatch()) << line.toStdString();
    }
    const qsizetype sent = sim.sent().size();
    for (const QStringList& args :
         {QStringList{"doctor", "--id", "1", "--all-ids"}, QStringList{"doctor", "--id", "0"},
          QStringList{"doctor", "extra"}, QStringList{"doctor", "--rounds", "3"}}) {
        SCOPED_TRACE(args.join(' ').toStdString());
        const CliRun run = nvqCan(args + kLine3);
        EXPECT_EQ(run.code, 2);
        EXPECT_TRUE(run.out.isEmpty());
    }
    EXPECT_EQ(nvqCan(QStringList{"doctor", "--id", "1", "--all-ids"} + kLine3).err,
              "nvq-can: --id and --all-ids exclude each other\n");
    EXPECT_EQ(sim.sent().size(), sent) << "a refused usage sends nothing";
}

// Several IDs: each device in turn, each row naming it.
TEST(CommandLine, MonitorPollsEveryDeviceGiven) {
    SimProcess sim({"--port", "3", "--device", "1", "--device", "2"});
    ASSERT_TRUE(sim.started());
    const QStringList ids{"--id", "01,02", "--seconds", "1"};
    const CliRun text = nvqCan(QStringList{"monitor"} + kLine3 + ids, 20000);
    EXPECT_EQ(text.code, 0) << text.err.toStdString();
    const QStringList lines = text.out.split('\n', Qt::SkipEmptyParts);
    ASSERT_GE(lines.size(), 4);
    const QRegularExpression row(R"(^ +\d+ ms  (0[12])  (.*)$)");
    QStringList order;
    for (const QString& line : lines) {
        const QRegularExpressionMatch m = row.match(line);
        ASSERT_TRUE(m.hasMatch()) << line.toStdString();
        order << m.captured(1);
    }
    EXPECT_TRUE(lines[0].endsWith(" ms  01  ID=Stepvane-CAN VER=V340 DN=KRB01"))
        << lines[0].toStdString();
    EXPECT_TRUE(lines[2].endsWith(" ms  01  AR=0 EX=0 PX=0")) << lines[2].toStdString();
    EXPECT_EQ(order.mid(0, 4), QStringList({"01", "02", "01", "02"}));

    const CliRun csv = nvqCan(QStringList{"monitor", "--csv", "-"} + kLine3 + ids, 20000);
    EXPECT_EQ(csv.code, 0);
    const QStringList rows = csv.out.split('\n', Qt::SkipEmptyParts);
    ASSERT_GE(rows.size(), 3);
    EXPECT_TRUE(rows[0].startsWith("ms,id,communication,encoder,position,"))
        << rows[0].toStdString();
    EXPECT_EQ(rows[1].section(',', 1, 2), "01,1");
    EXPECT_EQ(rows[2].section(',', 1, 2), "02,1");

    const CliRun json = nvqCan(QStringList{"monitor", "--json"} + kLine3 + ids, 20000);
    const QStringList objects = json.out.split('\n', Qt::SkipEmptyParts);
    ASSERT_GE(objects.size(), 2);
    EXPECT_EQ(QJsonDocument::fromJson(objects[1].toUtf8()).object()["id"].toString(), "02");
}

// A port that cannot be opened is the line's failure, code 1, for every command that opens one.
TEST(CommandLine, APortThatCannotBeOpenedEndsWithCode1) {
    SimProcess sim({"--port", "3", "--device", "5"});  // for its ports folder
    ASSERT_TRUE(sim.started());
    const QString com9 = sim.portsDir() + "/com9";
    ASSERT_TRUE(QFile::link("/nonexistent/tty", com9));
    QTemporaryDir dir;
    const QString file = putFile(dir, "good.par", kGoodFile);
    const QStringList line = {"--port", "9", "--baud", "9600", "--id", "5"};
    for (const QStringList& command :
         {QStringList{"info"}, QStringList{"send", "PX"}, QStringList{"monitor", "--seconds", "1"},
          QStringList{"read", "-o", dir.filePath("read.par")}, QStringList{"write", file}}) {
        SCOPED_TRACE(command.join(' ').toStdString());
        const CliRun run = nvqCan(command + line);
        EXPECT_EQ(run.code, 1);
        EXPECT_TRUE(run.err.startsWith("nvq-can: cannot open COM9 (" + com9 + "): "))
            << run.err.toStdString();
        EXPECT_TRUE(run.out.isEmpty());
    }
    EXPECT_FALSE(QFile::exists(dir.filePath("read.par")));
}

}  // namespace
