// The doctor's judgement over figures: each fault gives its finding and only it.
#include <gtest/gtest.h>

#include <QDateTime>

#include "monitor/bus_doctor.h"
#include "monitor/finding_kinds.h"
#include "support/qt_printers.h"

namespace {

using Kind = DoctorFinding::Kind;

struct Figures {
    quint64 answered = 33;
    quint64 unanswered = 0;
    quint64 garbled = 0;
    quint64 doubled = 0;
    quint64 foreignPrefix = 0;
    quint64 late = 0;
    qint64 answerUs = 1000;  // each answer's time
    qint64 replyUs = 2000;   // each reply's time
};

LineQuality quality(const Figures& f) {
    LineQuality q;
    q.answered = f.answered;
    q.unanswered = f.unanswered;
    q.exchanges = f.answered + f.unanswered;
    q.garbled = f.garbled;
    q.doubled = f.doubled;
    q.foreignPrefix = f.foreignPrefix;
    q.late = f.late;
    for (quint64 i = 0; i < f.answered; ++i) {
        q.answerTimes.add(f.answerUs);
        q.replyTimes.add(f.replyUs);
    }
    return q;
}

const Figures kClean;
const Figures kSilent{0, 3};

// A report of devices at 9600 baud: those that answered are the report's devices.
DoctorReport report(const QMap<QString, Figures>& devices) {
    DoctorReport r;
    r.baud = 9600;
    for (auto it = devices.begin(); it != devices.end(); ++it) {
        r.quality[it.key()] = quality(*it);
        if (it->answered > 0) {
            r.ids << it.key();
        }
    }
    return r;
}

TEST(DoctorDiagnosis, EachFaultGivesItsFindingAndOnlyIt) {
    const QStringList expected{"01", "02", "05"};
    DoctorReport otherBaud = report({{"01", kClean}, {"02", kClean}, {"05", kSilent}});
    otherBaud.otherBauds["05"] = 19200;
    const struct {
        const char* name;
        QStringList planned;
        DoctorReport figures;
        FindingKinds findings;
    } cases[] = {
        {"clean", expected, report({{"01", kClean}, {"02", kClean}, {"05", kClean}}), {}},
        {"one clean device only", {"01"}, report({{"01", kClean}}), {}},
        {"silent expected device",
         expected,
         report({{"01", kClean}, {"02", kClean}, {"05", kSilent}}),
         {{Kind::SilentDevice, {"05"}}}},
        {"silent ID only looked at", {"01", "02"}, report({{"01", kClean}, {"02", kClean}}), {}},
        {"answers at another rate", expected, otherBaud, {{Kind::OtherBaud, {"05"}}}},
        {"two devices on 05",
         expected,
         report({{"01", kClean}, {"02", kClean}, {"05", {.garbled = 17}}}),
         {{Kind::SharedId, {"05"}}}},
        {"a second answer to each command of 05",
         expected,
         report({{"01", kClean}, {"02", kClean}, {"05", {.garbled = 33, .doubled = 33}}}),
         {{Kind::SharedId, {"05"}}}},
        {"two devices on 05 on a slightly noisy line",
         expected,
         report({{"01", {.garbled = 1}}, {"02", kClean}, {"05", {.garbled = 20}}}),
         {{Kind::SharedId, {"05"}}, {Kind::NoisyLine, {"01"}}}},
        {"a prefix naming another ID",
         expected,
         report({{"01", kClean}, {"02", kClean}, {"05", {.foreignPrefix = 4}}}),
         {{Kind::SharedId, {"05"}}}},
        {"one device only, every reply garbled",
         {"05"},
         report({{"05", {.garbled = 33}}}),
         {{Kind::SharedId, {"05"}}}},
        {"one device only, a few replies garbled",
         {"05"},
         report({{"05", {.garbled = 3}}}),
         {{Kind::NoisyLine, {"05"}}}},
        {"noise on every device",
         expected,
         report({{"01", {.garbled = 3}}, {"02", {.garbled = 5}}, {"05", {.garbled = 2}}}),
         {{Kind::NoisyLine, {"01", "02", "05"}}}},
        {"heavy noise on every device is no shared ID",
         expected,
         report({{"01", {.garbled = 20}}, {"02", {.garbled = 25}}, {"05", {.garbled = 30}}}),
         {{Kind::NoisyLine, {"01", "02", "05"}}}},
        {"noise whose broken line ends count as late",
         expected,
         report({{"01", {.garbled = 3, .late = 1}}, {"02", {.garbled = 5}}, {"05", kClean}}),
         {{Kind::NoisyLine, {"01", "02"}}}},
        {"noise that cuts reply ends off",
         expected,
         report({{"01", {.unanswered = 1}}, {"02", {.unanswered = 2}}, {"05", kClean}}),
         {{Kind::NoisyLine, {"01", "02"}}}},
        {"slow device",
         expected,
         report({{"01", kClean}, {"02", {.answerUs = 30000, .replyUs = 32000}}, {"05", kClean}}),
         {{Kind::SlowDevice, {"02"}}}},
        {"a long reply at a low rate is not slow",
         expected,
         report({{"01", kClean}, {"02", {.answerUs = 3000, .replyUs = 40000}}, {"05", kClean}}),
         {}},
        {"answer time of exactly 20 ms is not slow",
         expected,
         report({{"01", kClean}, {"02", {.answerUs = 20000}}, {"05", kClean}}),
         {}},
        {"late replies",
         expected,
         report({{"01", kClean}, {"02", {.answered = 30, .unanswered = 3, .late = 3}}}),
         {{Kind::SilentDevice, {"05"}}, {Kind::LateReplies, {"02"}}}},
        {"every answer late is late, not silent",
         {"02"},
         report({{"02", {.answered = 0, .unanswered = 3, .late = 3}}}),
         {{Kind::LateReplies, {"02"}}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        DoctorPlan plan;
        plan.ids = c.planned;
        EXPECT_EQ(kindsOf(diagnose(plan, c.figures)), c.findings);
    }
}

// What the user reads, kind by kind.
TEST(DoctorDiagnosis, FindingsSayWhatIsWrongWhatShowsItAndWhatToCheck) {
    DoctorPlan plan;
    plan.ids = {"01", "05"};
    DoctorReport otherBaud = report({{"01", kClean}, {"05", kSilent}});
    otherBaud.otherBauds["05"] = 19200;
    otherBaud.otherBaudNames["05"] = "KRB05\x1b";
    DoctorPlan lastSeen = plan;
    lastSeen.lastAnswerMs["05"] =
        QDateTime(QDate(2024, 5, 6), QTime(14, 3, 12)).toMSecsSinceEpoch();
    const struct {
        DoctorPlan plan;
        DoctorReport figures;
        QStringList texts;  // title, evidence, check
    } cases[] = {
        {plan,
         report({{"01", kClean}, {"05", kSilent}}),
         {"05 does not answer", "0 of 3 queries answered; no answer seen before",
          "Check the device's power, the cable and connectors at the device, its ID setting, "
          "and whether the A and B wires are swapped."}},
        {lastSeen,
         report({{"01", kClean}, {"05", kSilent}}),
         {"05 does not answer", "0 of 3 queries answered; last answered at 14:03:12",
          "Check the device's power, the cable and connectors at the device, its ID setting, "
          "and whether the A and B wires are swapped."}},
        {plan,
         otherBaud,
         {"05 answers at 19200 baud, not at the line's 9600",
          "no answer at 9600 baud; at 19200 baud it answered \"DN\" with \"KRB05\\x1b\"",
          "Set its baud rate to 9600, or connect at 19200 baud and change it there."}},
        {plan,
         report({{"01", kClean}, {"05", {.garbled = 20, .doubled = 2, .foreignPrefix = 1}}}),
         {"Two devices seem to answer to ID 05",
          "20 of 33 replies garbled (2 of them a second line after the reply); 1 of 33 replies "
          "named another ID in their \"#\" prefix",
          "Power the devices one at a time to see which answer to 05, and give one of them "
          "another ID."}},
        {plan,
         report({{"01", {.garbled = 2}}, {"05", {.unanswered = 1, .garbled = 4}}}),
         {"Replies are garbled on the line",
          "replies 01: 2 garbled and 0 unanswered of 33; 05: 4 garbled and 1 unanswered of 34",
          "Check the termination (120 Ω at both ends of the line only), the grounding and common "
          "wire, the cable length for the baud rate (lower the rate on a long cable), and stubs "
          "to the devices."}},
        {plan,
         report({{"01", kClean}, {"05", {.answerUs = 30400, .replyUs = 32500}}}),
         {"05 answers slowly",
          "it takes 30.4 ms to answer in 95 of 100 replies (more than 20 ms); reply time p50 "
          "32.5 ms, p95 32.5 ms, max 32.5 ms",
          "Check the device's firmware and its load, and any converter between it and the PC "
          "that holds replies back."}},
        {plan,
         report({{"01", kClean}, {"05", {.answered = 30, .unanswered = 3, .late = 3}}}),
         {"Replies from 05 come too late",
          "3 answers came after their exchange had ended and were dropped; 30 of 33 came in time",
          "Check for a slow device or an adapter that holds characters back (USB adapter "
          "latency), and the reply timeout."}},
    };
    for (const auto& c : cases) {
        const QList<DoctorFinding> found = diagnose(c.plan, c.figures);
        ASSERT_EQ(found.size(), 1);
        SCOPED_TRACE(found[0].title.toStdString());
        EXPECT_EQ((QStringList{found[0].title, found[0].evidence, found[0].check}), c.texts);
    }
}

TEST(DoctorReportText, NamesTheOutcomeTheFiguresAndWhatWasSent) {
    DoctorReport r = report({{"01", {.answerUs = 1000, .replyUs = 2500}}, {"03", kSilent}});
    r.sent = {"Sent DN to 01-09 to see who answers"};
    EXPECT_EQ(doctorReportText(r),
              "No fault found.\n"
              "\n"
              "Figures per device at 9600 baud:\n"
              "  ID  exchanges  unanswered  late  garbled  \"$\" repeats  reply ms p50 / p95 / "
              "max\n"
              "  01         33           0     0        0            0  2.5 / 2.5 / 2.5\n"
              "  03          3           3     0        0            0  - / - / -\n"
              "\n"
              "Sent (queries only: nothing written, nothing moved):\n"
              "  Sent DN to 01-09 to see who answers\n");
    DoctorPlan plan;
    plan.ids = {"01", "03"};
    r.findings = diagnose(plan, r);
    EXPECT_TRUE(
        doctorReportText(r).startsWith("1 fault found:\n"
                                       "1. 03 does not answer\n"
                                       "   Seen: 0 of 3 queries answered; no answer seen before\n"
                                       "   Check: Check the device's power,"));
    r.findings.clear();
    r.cancelled = true;
    EXPECT_TRUE(doctorReportText(r).startsWith(
        "Cancelled before the diagnosis was done. The figures so far:\n"));
    r.portFailed = true;
    r.error = "Input/output error";
    EXPECT_TRUE(doctorReportText(r).startsWith(
        "The line failed: Input/output error. The figures so far:\n"));
}

TEST(DoctorReportText, IdListsShortenRunsOfThreeOrMore) {
    const struct {
        QStringList ids;
        const char* text;
    } cases[] = {
        {{}, ""},
        {{"05"}, "05"},
        {{"01", "02"}, "01, 02"},
        {{"03", "01", "02"}, "01-03"},
        {{"01", "02", "03", "05", "07", "08", "09", "10", "99"}, "01-03, 05, 07-10, 99"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(idRangesText(c.ids), c.text) << c.text;
    }
}

}  // namespace
