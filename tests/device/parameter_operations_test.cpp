// The parameter operations on their own, without a window: upload into a set, download from it,
// store, and the write of one file to several devices of a line with its summary.
#include <gtest/gtest.h>

#include "device/device_session.h"
#include "device/flash_store.h"
#include "device/parameter_download.h"
#include "device/parameter_upload.h"
#include "device/parameter_write.h"
#include "device/recording_reporter.h"
#include "support/sim_rig.h"

namespace {

// A SimPort whose device falls silent the moment it has answered a given line: switched off, or
// its cable pulled, half-way through a run.
class SilencingPort : public SimPort {
  public:
    SilencingPort(SimHub& hub, SimBus& bus) : SimPort(hub), bus_(bus) {}
    void write(const QByteArray& data) override {
        SimPort::write(data);
        if (data == trigger + "\r") {
            bus_.device(data.mid(1, 2).toInt())->faults.silent = true;
        }
    }
    QByteArray trigger;

  private:
    SimBus& bus_;
};

// COM1 at 9600 with devices 05, 06 and 07, and a session on it as the command line holds one.
struct LineRig {
    LineRig() : bus(hub.addPort(1)) {
        for (int id : {5, 6, 7}) {
            bus.addDevice(id, 9600);
        }
        auto owned = std::make_unique<SilencingPort>(hub, bus);
        port = owned.get();
        session = std::make_unique<DeviceSession>(std::move(owned), reporter);
        session->values = {"05", "9600", 1, true, true};
        EXPECT_FALSE(session->openLine());
    }
    SimDevice& device(int id) { return *bus.device(id); }
    QStringList takeLines() {
        const QStringList lines = hub.lines(1);
        hub.clearLines();
        return lines;
    }

    SimHub hub;
    SimBus& bus;
    RecordingReporter reporter;
    SilencingPort* port;
    std::unique_ptr<DeviceSession> session;
};

// A file's set that differs from the simulator's defaults in every parameter a file holds.
ParameterSet edited() {
    ParameterSet s;
    s.polarity = 288;
    s.LCA = "250";
    s.posGuardEnable = true;
    s.runCurrent = "1800";
    s.idleCurrent = "600";
    s.idleTime = "750";
    s.posGuardTolerance = "20";
    s.posGuardErrorRange = "400";
    s.posGuardMaxAttempt = "5";
    s.posGuardHighSpeed = "1200";
    s.posGuardIdleTime = "80";
    s.method = CommMethod::Rs232;
    s.deviceId = "09";
    s.nodeId = "33";
    s.serialBaud = "38400";
    s.canBitRate = "500000";
    s.edoEnable = true;
    s.doBoot = "J+";
    s.eoBoot = "1";
    s.returnZero = true;
    return s;
}

class ParameterOperations : public ::testing::Test, public LineRig {};

TEST_F(ParameterOperations, UploadFillsTheSetAndAFailureLeavesTheLaterValues) {
    device(5).values.insert({{"DB", "3"}, {"BR", "0"}, {"POL", "15"}, {"LCA", "0300"}});
    ParameterSet s;
    const UploadResult full = uploadParameters(*session, s);
    EXPECT_EQ(full.end, UploadEnd::Complete);
    EXPECT_EQ(takeLines(), framed("05", uploadQueries()));
    // "BR" 0 names no rate: not taken, the set keeps its own (none).
    QStringList taken = uploadQueries();
    taken.removeAll("ID");
    taken.removeAll("AR");
    taken.removeAll("BR");
    EXPECT_EQ(full.taken, taken);
    EXPECT_EQ(s.serialBaud, "38400");
    EXPECT_EQ(s.canBitRate, "");
    EXPECT_EQ(s.polarity, 15);  // as read; written back with the signals' bits only
    EXPECT_EQ(s.LCA, "300");
    EXPECT_EQ(s.posGuardRatio, "2");
    EXPECT_TRUE(reporter.said.isEmpty());

    // A timeout on "SLR": the values before it are read, the later ones stay.
    session->selectDevice("06");
    port->trigger = "@06SLA";  // answered, and then the device falls silent
    ParameterSet partial;
    const UploadResult cut = uploadParameters(*session, partial);
    EXPECT_EQ(cut.end, UploadEnd::Failed);
    EXPECT_EQ(partial.posGuardMaxAttempt, "3");
    EXPECT_EQ(partial.posGuardRatio, "1");
    EXPECT_EQ(partial.posGuardHighSpeed, "1");
    EXPECT_EQ(reporter.said, QStringList{"No Reply to Command: SLR"});
    EXPECT_EQ(session->failedCommand(), "SLR");
    EXPECT_FALSE(session->values.ComStatus);

    // A device without "EDEC" ends the upload there, quietly and usably.
    reporter.said.clear();
    session->selectDevice("07");
    device(7).values.remove("EDEC");
    EXPECT_EQ(uploadParameters(*session, partial).end, UploadEnd::WithoutDeceleration);
    EXPECT_TRUE(reporter.said.isEmpty());
}

TEST_F(ParameterOperations, DownloadWritesTheSetAndAskedChangesOnlyOnYes) {
    ParameterSet s = edited();
    s.decEnable = true;
    s.RT = true;
    reporter.answer = false;  // every change of how the device is reached declined
    takeLines();
    EXPECT_EQ(downloadParameters(*session, s), DownloadEnd::Done);
    EXPECT_EQ(
        takeLines(),
        framed("05", {"SR=0",      "ABORT",    "EDO=1",    "POL=288", "RT=1",    "LCA=250", "SL=1",
                      "CURR=1800", "CURI=600", "CURT=750", "SLT=20",  "SLE=400", "SLA=5",   "SLR=1",
                      "SLH=1200",  "SLI=80",   "CM",       "DN",      "NID",     "DB",      "BR",
                      "DOBOOT=J+", "EOBOOT=1", "EDEC=1",   "RZ=1"}));
    EXPECT_EQ(reporter.asked.size(), 5);
    EXPECT_EQ(reporter.said, QStringList{"Download Done!"});
    // A declined method or ID is the device's own afterwards; declined rates stay as wanted.
    EXPECT_EQ(s.method, CommMethod::Rs485);
    EXPECT_EQ(s.deviceId, "05");
    EXPECT_EQ(s.nodeId, "5");
    EXPECT_EQ(s.serialBaud, "38400");
    EXPECT_EQ(device(5).values["CURR"], "1800");
    EXPECT_EQ(device(5).values["DN"], "KRB05");

    // Yes to everything: the device is told to be reached otherwise.
    reporter.answer = true;
    reporter.said.clear();
    s = edited();
    EXPECT_EQ(downloadParameters(*session, s), DownloadEnd::Done);
    const QStringList wire = takeLines();
    for (const char* write : {"@05CM=0", "@05DN=KRB09", "@05NID=33", "@05DB=3", "@05BR=7"}) {
        EXPECT_TRUE(wire.contains(write)) << write;
    }
    EXPECT_EQ(reporter.said.size(), 6);  // five "changed"/"set" messages and "Download Done!"
    EXPECT_EQ(device(5).values["DN"], "KRB09");
}

TEST_F(ParameterOperations, StoreKeepsWhatTheDeviceHolds) {
    device(5).values["CURR"] = "2000";
    EXPECT_EQ(storeToFlash(*session), StoreEnd::Stored);
    EXPECT_EQ(takeLines(), QStringList{"@05STORE"});
    EXPECT_EQ(device(5).flash["CURR"], "2000");
    EXPECT_GE(hub.nowMs(), 200);  // "STORE" is given its time
    device(5).faults.rawReplies = {"ERR\r"};
    EXPECT_EQ(storeToFlash(*session), StoreEnd::Refused);
    EXPECT_EQ(reporter.said, QStringList({"Store to Flash done!", "Error setting flash!"}));
}

TEST_F(ParameterOperations, AWriteReadsFirstKeepsHowEachDeviceIsReachedAndVerifies) {
    device(6).values.insert({{"SLR", "7"}, {"EDEC", "1"}, {"RT", "1"}});
    const WriteSummary summary = writeToDevices(*session, reporter, edited(), {"05", "06"},
                                                WriteOptions{.verify = true, .store = true});
    EXPECT_EQ(summary.exitCode(), 0);
    EXPECT_EQ(summary.lines(), QStringList({"05: written, read back equal, stored",
                                            "06: written, read back equal, stored"}));
    for (int id : {5, 6}) {
        SimDevice& d = device(id);
        EXPECT_EQ(d.values["CURR"], "1800");
        EXPECT_EQ(d.flash["CURR"], "1800");
        // Lines 12 to 16 of the file are not the device's business without --comm.
        EXPECT_EQ(d.values["DN"], QString("KRB0%1").arg(id));
        EXPECT_EQ(d.values["CM"], "1");
        EXPECT_EQ(d.values["DB"], "1");
        EXPECT_EQ(d.values["RT"], "0");  // the window's unchecked box
    }
    // What no file holds stays each device's own.
    EXPECT_EQ(device(5).values["SLR"], "2");
    EXPECT_EQ(device(6).values["SLR"], "7");
    EXPECT_EQ(device(6).values["EDEC"], "1");
    const QStringList wire = hub.lines(1);
    for (const QString& line : wire) {
        EXPECT_FALSE(line.contains("=KRB") || line.contains("CM=") || line.contains("NID=") ||
                     line.contains("DB=") || line.contains("BR="))
            << qPrintable(line);
    }
    EXPECT_TRUE(reporter.asked.isEmpty());
}

TEST_F(ParameterOperations, AReadBackThatDiffersIsNamedAndNotStored) {
    // Device 06 does not know "SLT": it answers "?" to the write and to the read.
    device(6).values.remove("SLT");
    const WriteSummary summary = writeToDevices(*session, reporter, edited(), {"05", "06", "07"},
                                                WriteOptions{.verify = true, .store = true});
    EXPECT_EQ(summary.exitCode(), 3);
    ASSERT_EQ(summary.devices.size(), 3);
    const DeviceWriteReport& r = summary.devices[1];
    ASSERT_TRUE(r.differences.has_value());
    ASSERT_EQ(r.differences->size(), 1);
    EXPECT_EQ(differenceText(r.differences->at(0)), "SLT: wrote \"20\", read \"?\"");
    EXPECT_EQ(summaryLine(r),
              "06: written, read back with 1 difference(s): SLT: wrote \"20\", read \"?\", not "
              "stored, as the read-back differed");
    EXPECT_FALSE(device(6).flash.contains("CURR") && device(6).flash["CURR"] == "1800");
    EXPECT_EQ(summaryLine(summary.devices[2]), "07: written, read back equal, stored");
}

// A read-back that differs does not keep the later devices from being written, unless
// stopOnError; a device then left untried makes the run a failure (1), not a difference (3).
TEST(ParameterWrite, AReadBackThatDiffersStopsTheOthersOnlyWhenAsked) {
    const QString differs06 =
        "06: written, read back with 1 difference(s): SLT: wrote \"20\", read \"?\"";
    const struct {
        WriteOptions options;
        QStringList lines;
        int exitCode;
    } cases[] = {
        {{.verify = true},
         {"05: written, read back equal", differs06, "07: written, read back equal"},
         3},
        {{.verify = true, .stopOnError = true},
         {"05: written, read back equal", differs06, "07: not tried (--stop-on-error after 06)"},
         1},
        {{.verify = true, .store = true, .stopOnError = true},
         {"05: written, read back equal, stored",
          differs06 + ", not stored, as the read-back differed",
          "07: not tried (--stop-on-error after 06)"},
         1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.lines.last().toStdString());
        LineRig rig;
        rig.device(6).values.remove("SLT");  // answers "?" to the write and to the read
        const WriteSummary summary =
            writeToDevices(*rig.session, rig.reporter, edited(), {"05", "06", "07"}, c.options);
        EXPECT_EQ(summary.lines(), c.lines);
        EXPECT_EQ(summary.exitCode(), c.exitCode);
    }
}

TEST_F(ParameterOperations, ADeviceThatVanishesHalfWayIsNamedWithWhatItGot) {
    port->trigger = "@06CURR=1800";
    const QStringList ids{"05", "06", "07"};
    WriteSummary summary =
        writeToDevices(*session, reporter, edited(), ids, WriteOptions{.store = true});
    EXPECT_EQ(summary.exitCode(), 1);
    EXPECT_EQ(summary.lines(),
              QStringList({"05: written, stored",
                           "06: write incomplete (8 commands got through, the last CURR=1800), "
                           "ended at CURI=600: No Reply to Command: CURI=600; not read back, not "
                           "stored",
                           "07: written, stored"}));
    EXPECT_EQ(device(6).values["CURR"], "1800");
    EXPECT_EQ(device(6).values["CURI"], "500");
    EXPECT_EQ(device(7).flash["CURR"], "1800");

    // With --stop-on-error the devices after it are not tried, and say so.
    device(6).faults.silent = false;
    device(7).values = device(7).flash = SimDevice(7, 9600).values;
    port->trigger = "@06CURR=1800";
    reporter.said.clear();
    summary = writeToDevices(*session, reporter, edited(), ids,
                             WriteOptions{.store = true, .stopOnError = true});
    EXPECT_EQ(summary.lines().last(), "07: not tried (--stop-on-error after 06)");
    EXPECT_EQ(device(7).values["CURR"], "1500");

    // A device silent from the start gets nothing written.
    device(6).faults.silent = true;
    summary = writeToDevices(*session, reporter, edited(), {"06"}, WriteOptions{});
    EXPECT_EQ(summary.lines(), QStringList{"06: nothing written: reading its own values failed at "
                                           "EDO: No Reply to Command: EDO"});
}

TEST_F(ParameterOperations, ALineThatFailsEndsTheWriteForEveryDeviceAfterIt) {
    hub.vanishAfter(1, "@06CURI=600");
    const WriteSummary summary =
        writeToDevices(*session, reporter, edited(), {"05", "06", "07"}, WriteOptions{});
    EXPECT_EQ(summary.exitCode(), 1);
    EXPECT_TRUE(summary.devices[1].lineFailed);
    EXPECT_TRUE(summary.lines()[1].startsWith(
        "06: write incomplete (8 commands got through, the last CURR=1800), ended at CURI=600: "
        "Communication Error! "))
        << qPrintable(summary.lines()[1]);
    EXPECT_EQ(summary.lines()[2], "07: not tried (the line failed at 06)");
}

TEST_F(ParameterOperations, CommunicationFromTheFileIsAskedAndAnsweredYes) {
    const WriteSummary summary = writeToDevices(*session, reporter, edited(), {"05"},
                                                WriteOptions{.communication = true, .rt = true});
    EXPECT_EQ(summary.exitCode(), 0);
    EXPECT_EQ(reporter.asked.size(), 5);
    EXPECT_EQ(device(5).values["DN"], "KRB09");
    EXPECT_EQ(device(5).values["CM"], "0");
    EXPECT_EQ(device(5).values["RT"], "1");
    EXPECT_EQ(device(5).id(), 5);  // until it stores and is switched off and on
}

}  // namespace
