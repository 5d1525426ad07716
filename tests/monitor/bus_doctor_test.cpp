// The bus doctor on simulated lines: each fault set in the simulator gives its finding, the
// wire carries queries only, and the line is left at its rate with its watcher.
#include <gtest/gtest.h>

#include <QRegularExpression>
#include <functional>

#include "monitor/bus_doctor.h"
#include "monitor/finding_kinds.h"
#include "support/sim_rig.h"

namespace {

using Kind = DoctorFinding::Kind;

struct DoctorRig {
    explicit DoctorRig(const QList<int>& ids) : bus(hub.addPort(1)) {
        for (int id : ids) {
            bus.addDevice(id);
        }
        openPort(port, 1, "9600");
        line.unsettled = true;
    }
    // Runs the doctor to its end; false when it took more steps than it said it would.
    bool run(const DoctorPlan& plan) {
        BusDoctor doctor(port, line, 9600, plan);
        int steps = 0;
        while (doctor.step()) {
            ++steps;
            if (steps > doctor.stepsTotal()) {
                return false;
            }
        }
        report = doctor.report();
        return true;
    }

    SimHub hub;
    SimBus& bus;
    SimPort port{hub};
    LineState line;
    DoctorReport report;
};

DoctorPlan expecting(const QStringList& ids) {
    DoctorPlan plan;
    plan.ids = ids;
    return plan;
}

TEST(BusDoctor, EachFaultInTheSimulatorGivesItsFindingAndTheWireCarriesQueriesOnly) {
    const struct {
        const char* name;
        QList<int> devices;
        std::function<void(SimBus&)> fault;
        FindingKinds findings;
    } cases[] = {
        {"clean", {1, 2, 5}, [](SimBus&) {}, {}},
        {"silent",
         {1, 2, 5},
         [](SimBus& b) { b.device(2)->faults.silent = true; },
         {{Kind::SilentDevice, {"02"}}}},
        {"at 19200 on a 9600 line",
         {1, 5},
         [](SimBus& b) { b.addDevice(2, 19200); },
         {{Kind::OtherBaud, {"02"}}}},
        {"slow",
         {1, 2, 5},
         [](SimBus& b) { b.device(2)->faults.replyDelayMs = 30; },
         {{Kind::SlowDevice, {"02"}}}},
        {"late",
         {1, 2, 5},
         [](SimBus& b) {
             b.device(2)->faults.late = {{"PX", 150, 3}};
         },
         {{Kind::LateReplies, {"02"}}}},
        {"two devices on 02",
         {1, 2, 5},
         [](SimBus& b) { b.addDevice(2); },
         {{Kind::SharedId, {"02"}}}},
        {"a twin answering 05",
         {1, 2, 5},
         [](SimBus& b) { b.collide(5, true); },
         {{Kind::SharedId, {"05"}}}},
        {"noise",
         {1, 2, 5},
         [](SimBus& b) { b.setNoise(0.05); },
         {{Kind::NoisyLine, {"01", "02", "05"}}}},
        {"a prefix naming another ID",
         {1, 2, 5},
         [](SimBus& b) {
             for (int i = 0; i < 40; ++i) {
                 b.device(2)->faults.rawReplies << "#070\r";
             }
         },
         {{Kind::SharedId, {"02"}}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        DoctorRig rig(c.devices);
        c.fault(rig.bus);
        ASSERT_TRUE(rig.run(expecting({"01", "02", "05"})));
        EXPECT_EQ(kindsOf(rig.report.findings), c.findings);
        EXPECT_EQ(doctorReportText(rig.report).startsWith("No fault found.\n"),
                  c.findings.isEmpty());
        const QRegularExpression query("^@(01|02|05)(DN|ID|VER|PX|EX)$");
        for (const QString& line : rig.hub.lines(1)) {
            EXPECT_TRUE(query.match(line).hasMatch()) << line.toStdString();
        }
        EXPECT_EQ(rig.port.baud(), 9600);
    }
}

TEST(BusDoctor, LooksForDevicesAndProbesTheSilentOnesOutsideTheFigures) {
    DoctorRig rig({1, 5});
    rig.bus.addDevice(3, 38400);
    DoctorPlan plan;
    plan.lookAt = {"01", "02", "03", "04", "05"};
    plan.probeAbsent = true;
    plan.rounds = 2;
    ASSERT_TRUE(rig.run(plan));
    EXPECT_EQ(rig.report.ids, QStringList({"01", "05"}));
    EXPECT_EQ(rig.report.otherBauds, (QMap<QString, int>{{"03", 38400}}));
    EXPECT_EQ(rig.report.otherBaudNames.value("03"), "KRB03");
    EXPECT_EQ(kindsOf(rig.report.findings), (FindingKinds{{Kind::OtherBaud, {"03"}}}));
    EXPECT_EQ(rig.report.quality.keys(), QStringList({"01", "03", "05"}));
    EXPECT_EQ(rig.report.quality["03"].exchanges, 1u) << "its probes are not counted";
    EXPECT_EQ(rig.report.quality["01"].exchanges, 1u + 3 + 2 * 3);
    EXPECT_EQ(rig.line.exchanges, 5u + 2 * (3 + 2 * 3)) << "nor on the line's own counts";
    EXPECT_EQ(rig.report.sent,
              QStringList({"Sent DN to 01-05 to see who answers",
                           "Sent to 01, 05: ID, VER, DN, then ID, PX, EX 2 times each",
                           "Probed 02, 04 with DN at 19200, 38400, 57600 and 115200 baud",
                           "Probed 03 with DN at 19200 and 38400 baud"}));
    QStringList probes;
    for (const SimHub::WireLine& w : rig.hub.wire_) {
        if (w.baud != 9600) {
            probes << QStringLiteral("%1 %2").arg(w.baud).arg(
                QString::fromLatin1(w.line.trimmed()));
        }
    }
    EXPECT_EQ(probes, QStringList({"19200 @02DN", "19200 @03DN", "19200 @04DN", "38400 @02DN",
                                   "38400 @03DN", "38400 @04DN", "57600 @02DN", "57600 @04DN",
                                   "115200 @02DN", "115200 @04DN"}));
    EXPECT_EQ(rig.port.baud(), 9600);
}

// Cancel during the probes, or the doctor dropped there: the line is back at its rate and its
// watcher is the one it had.
TEST(BusDoctor, CancelOrAnEarlyEndSetsTheRateAndTheWatcherBack) {
    for (const bool cancel : {true, false}) {
        SCOPED_TRACE(cancel ? "cancel" : "dropped");
        DoctorRig rig({1});
        int watched = 0;
        rig.line.afterExchange = [&watched](const ExchangeTrace&) { ++watched; };
        {
            BusDoctor doctor(rig.port, rig.line, 9600, expecting({"01", "04"}));
            while (rig.port.baud() == 9600) {
                ASSERT_TRUE(doctor.step());
            }
            EXPECT_EQ(doctor.stepText(), "Looking for 04 at 38400 baud (DN)");
            if (cancel) {
                doctor.cancel();
                const qsizetype sent = rig.hub.lines(1).size();
                EXPECT_FALSE(doctor.step());
                EXPECT_EQ(rig.hub.lines(1).size(), sent) << "nothing more after the cancel";
                EXPECT_EQ(rig.port.baud(), 9600);
                EXPECT_TRUE(doctor.report().cancelled);
                EXPECT_TRUE(doctor.report().findings.isEmpty());
                EXPECT_TRUE(doctorReportText(doctor.report()).startsWith("Cancelled"));
                EXPECT_EQ(doctor.report().sent.last(), "Probed 04 with DN at 19200 baud");
            }
        }
        EXPECT_EQ(rig.port.baud(), 9600);
        EXPECT_EQ(watched, 0);
        exchange(rig.port, rig.line, "01", "PX");
        EXPECT_EQ(watched, 1);
    }
}

TEST(BusDoctor, AFailedLineEndsTheDiagnosisWithItsError) {
    DoctorRig rig({1, 2});
    rig.hub.vanishAfter(1, "@02PX");
    BusDoctor doctor(rig.port, rig.line, 9600, expecting({"01", "02"}));
    int steps = 0;
    while (doctor.step()) {
        ASSERT_LT(++steps, 100);
    }
    EXPECT_TRUE(doctor.report().portFailed);
    EXPECT_FALSE(doctor.report().error.isEmpty());
    EXPECT_TRUE(doctor.report().findings.isEmpty());
    EXPECT_TRUE(doctorReportText(doctor.report()).startsWith("The line failed: "));
}

// Progress: every step counted, the total never below what is done.
TEST(BusDoctor, StepsAreCountedTowardsTheTotal) {
    DoctorRig rig({1, 2});
    DoctorPlan plan;
    plan.lookAt = {"01", "02", "03"};
    plan.rounds = 3;
    BusDoctor doctor(rig.port, rig.line, 9600, plan);
    EXPECT_EQ(doctor.stepText(), "Looking for a device at 01 (DN)");
    QStringList texts;
    while (doctor.step()) {
        EXPECT_LE(doctor.stepsDone(), doctor.stepsTotal());
        texts << doctor.stepText();
    }
    EXPECT_EQ(doctor.stepsDone(), 3 + 2 + 2 * 3);
    EXPECT_EQ(doctor.stepsDone(), doctor.stepsTotal());
    EXPECT_TRUE(texts.contains("Asking 02 who it is (ID, VER, DN)"));
    EXPECT_TRUE(texts.contains("Round 3 of 3: asking 02 (ID, PX, EX)"));
    EXPECT_EQ(doctor.stepText(), "Done");
}

}  // namespace
