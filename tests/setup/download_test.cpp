#include <gtest/gtest.h>

#include "link/messages.h"
#include "setup/setup_messages.h"
#include "setup_rig.h"

namespace {

// What a download of a freshly uploaded default device sends, in order.
QStringList defaultDownload() {
    return {"SR=0",      "ABORT",    "EDO=0",    "POL=0",  "RT=0",    "LCA=300", "SL=0",
            "CURR=1500", "CURI=500", "CURT=500", "SLT=10", "SLE=500", "SLA=3",   "SLR=2",
            "SLH=1000",  "SLI=100",  "CM",       "DN",     "NID",     "DB",      "BR",
            "DOBOOT=0",  "EOBOOT=0", "EDEC=0",   "RZ=0"};
}

// The part of the wire between the last ordinary write and "DOBOOT=".
QStringList settingsPart(QStringList lines) {
    const int from = lines.indexOf("@05SLI=100") + 1;
    const int to = lines.indexOf("@05DOBOOT=0");
    return lines.mid(from, (to < 0 ? lines.size() : to) - from);
}

class DownloadTest : public ::testing::Test, public SetupRig {
  protected:
    // An uploaded window; what follows is the download's.
    SetupParameters& ready() {
        SetupParameters& w = open();
        forget();
        return w;
    }
    QStringList down() {
        window->DownloadPar->click();
        return rig.takeLines();
    }
};

TEST_F(DownloadTest, WritesEveryParameterInOrderAndSaysDone) {
    ready();
    const qint64 before = rig.hub.nowMs();
    EXPECT_EQ(down(), framed("05", defaultDownload()));
    EXPECT_EQ(rig.prompter.messages(), QStringList{kDownloadDone});
    EXPECT_GE(rig.hub.nowMs() - before, 1000);  // "SR=0" is given its second
    EXPECT_TRUE(window->values().ComStatus);
}

TEST_F(DownloadTest, SendsTheControlsAsTheyStand) {
    device->values["POL"] = "15";  // bits 2 and 3 have no option and are not written back
    ready();
    SetupControls& c = controls();
    EXPECT_TRUE(c.polarity.PulsePolHigh->isChecked());
    EXPECT_TRUE(c.polarity.DirPolHigh->isChecked());
    c.polarity.AlarmPolHigh->setChecked(true);
    c.params.LCA->clear();
    c.params.RunCurrent->setText(" 12 ");
    c.params.EDOenable->setChecked(true);
    c.params.PosGuardEnable->setChecked(true);
    c.comm.RT->setChecked(true);
    c.params.DOBOOT->setText("");
    c.params.DecEnable->setChecked(true);
    c.params.ReturnZero->setChecked(true);
    const QStringList lines = down();
    for (const char* sent : {"@05POL=259", "@05LCA=", "@05CURR= 12 ", "@05EDO=1", "@05SL=1",
                             "@05RT=1", "@05DOBOOT=", "@05EDEC=1", "@05RZ=1"}) {
        EXPECT_TRUE(lines.contains(sent)) << sent;
    }
    EXPECT_EQ(device->values["POL"], "259");
    EXPECT_EQ(device->values["CURR"], " 12 ");
    EXPECT_EQ(rig.prompter.messages(), QStringList{kDownloadDone});
}

TEST_F(DownloadTest, AFailedCommandEndsTheDownloadWithoutDone) {
    const struct {
        const char* failing;
        QByteArray bytes;
        QString message;
    } cases[] = {
        {"CURI=500", "", QString(kNoReplyToCommand) + "CURI=500"},
        {"SR=0", "\r", kNoResponse},
        {"NID", "", QString(kNoReplyToCommand) + "NID"},
        {"RZ=0", "", QString(kNoReplyToCommand) + "RZ=0"},
    };
    for (const auto& c : cases) {
        device->faults.rawReplies.clear();
        ready();
        const QStringList all = defaultDownload();
        const QStringList before = all.mid(0, all.indexOf(c.failing));
        answerThen(before, c.bytes);
        EXPECT_EQ(down(), framed("05", before + QStringList{c.failing})) << c.failing;
        EXPECT_EQ(rig.prompter.messages(), QStringList{c.message}) << c.failing;
        EXPECT_FALSE(window->values().ComStatus) << c.failing;
    }
}

TEST_F(DownloadTest, ALostLineEndsTheDownloadWithoutDone) {
    ready();
    rig.hub.vanish(1);
    down();
    const QStringList messages = rig.prompter.messages();
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].startsWith(kCommunicationError));
}

TEST_F(DownloadTest, CommunicationMethodIsChangedOnlyAfterYes) {
    const QString changedTo = "Communication Method changed to ";
    const QString rest = ".  Store to Flash and power cycle and use ";
    const struct {
        const char* present;
        CommMethod wanted;
        bool yes;
        QString question;
        QStringList sent;
        CommMethod shownAfter;
    } cases[] = {
        {"0",
         CommMethod::Rs485,
         true,
         "Current Communication is RS-232.  Are you sure you want change to RS-485?",
         {"CM", "CM=1"},
         CommMethod::Rs485},
        {"2",
         CommMethod::Rs485,
         false,
         "Current Communication is CANopen.  Are you sure you want change to RS-485?",
         {"CM"},
         CommMethod::CanOpen},
        {"1",
         CommMethod::CanOpen,
         true,
         "Current Communication is RS-485.  Are you sure you want change to CANopen?",
         {"CM", "CM=2"},
         CommMethod::CanOpen},
        {"1",
         CommMethod::Rs232,
         false,
         "Current Communication is RS-485.  Are you sure you want change to RS-232?",
         {"CM"},
         CommMethod::Rs485},
        {"2",
         CommMethod::Rs232,
         true,
         "Current Communication is CANopen.  Are you sure you want change to RS-232?",
         {"CM", "CM=0"},
         CommMethod::Rs232},
        {"1", CommMethod::Rs485, true, "", {"CM"}, CommMethod::Rs485},
        {"7", CommMethod::CanOpen, true, "", {"CM"}, CommMethod::CanOpen},
    };
    for (const auto& c : cases) {
        ready();
        controls().comm.selectMethod(c.wanted);
        device->values["CM"] = c.present;
        rig.prompter.answers = {c.yes};
        EXPECT_EQ(settingsPart(down()), framed("05", c.sent + QStringList{"DN", "NID", "DB", "BR"}))
            << qPrintable(c.question);
        QStringList expected;
        if (!c.question.isEmpty()) {
            expected << c.question;
            EXPECT_EQ(rig.prompter.shown[0].title, kMethodTitle);
        }
        if (c.sent.size() > 1) {
            const QString name = c.sent.last() == "CM=0"   ? "RS-232"
                                 : c.sent.last() == "CM=1" ? "RS-485"
                                                           : "CANopen";
            expected << changedTo + name + rest + name + " to communicate.";
        }
        EXPECT_EQ(rig.prompter.messages(), expected + QStringList{kDownloadDone});
        EXPECT_EQ(controls().comm.method(), c.shownAfter) << qPrintable(c.question);
    }
}

TEST_F(DownloadTest, ACommunicationMethodThatIsNoNumberEndsTheDownload) {
    ready();
    device->values["CM"] = "RS485";
    EXPECT_EQ(down().last(), "@05CM");
    EXPECT_EQ(rig.prompter.messages(), QStringList{kUnusableReply});
    EXPECT_FALSE(window->values().ComStatus);
}

TEST_F(DownloadTest, IdsAndRatesAreChangedOnlyAfterYes) {
    // The device holds "DN", "NID", "DB" and "BR" at KRB05, 5, 1 (9600) and 5 (125000).
    using Comm = CommunicationControls;
    const struct {
        QComboBox* Comm::*list;
        const char* item;  // "" clears the selection
        bool yes;
        QString question;
        const char* title;
        QStringList sent;  // between "CM" and "DOBOOT="
        QString message;
        const char* shownAfter;
    } cases[] = {
        {&Comm::DeviceIDCombo,
         "07",
         true,
         "Are you sure you want change Device ID to 07?",
         kDeviceIdTitle,
         {"DN", "DN=KRB07", "NID", "DB", "BR"},
         kDeviceIdSet,
         "07"},
        {&Comm::DeviceIDCombo,
         "07",
         false,
         "Are you sure you want change Device ID to 07?",
         kDeviceIdTitle,
         {"DN", "NID", "DB", "BR"},
         "",
         "05"},
        {&Comm::NodeIDCombo1,
         "12",
         true,
         "Are you sure you want change Node ID to 12?",
         kNodeIdTitle,
         {"DN", "NID", "NID=12", "DB", "BR"},
         kNodeIdSet,
         "12"},
        {&Comm::NodeIDCombo1,
         "12",
         false,
         "Are you sure you want change Node ID to 12?",
         kNodeIdTitle,
         {"DN", "NID", "DB", "BR"},
         "",
         "5"},
        {&Comm::baudCombo,
         "115200",
         true,
         kBaudQuestion,
         kSerialBaudTitle,
         {"DN", "NID", "DB", "DB=5", "BR"},
         kBaudDone,
         "115200"},
        {&Comm::baudCombo,
         "115200",
         false,
         kBaudQuestion,
         kSerialBaudTitle,
         {"DN", "NID", "DB", "BR"},
         "",
         "115200"},
        {&Comm::CANbaudCombo,
         "10000",
         true,
         kBaudQuestion,
         kCanBitRateTitle,
         {"DN", "NID", "DB", "BR", "BR=1"},
         kBaudDone,
         "10000"},
        {&Comm::CANbaudCombo, "", true, "", "", {"DN", "NID", "DB", "BR"}, "", ""},
        {&Comm::NodeIDCombo1, "", true, "", "", {"DN", "NID", "DB", "BR"}, "", ""},
    };
    for (const auto& c : cases) {
        device->values = SimDevice(5, 9600).values;
        ready();
        QComboBox* list = controls().comm.*c.list;
        if (!selectItem(list, c.item)) {
            list->setCurrentIndex(-1);
        }
        rig.prompter.answers = {c.yes};
        EXPECT_EQ(settingsPart(down()), framed("05", QStringList{"CM"} + c.sent)) << c.item;
        QStringList expected;
        if (!c.question.isEmpty()) {
            expected << c.question;
            EXPECT_EQ(rig.prompter.shown[0].title, c.title) << c.item;
        }
        if (!c.message.isEmpty()) {
            expected << c.message;
        }
        EXPECT_EQ(rig.prompter.messages(), expected + QStringList{kDownloadDone}) << c.item;
        EXPECT_EQ(list->currentText(), c.shownAfter) << c.item;
    }
}

TEST_F(DownloadTest, RefusedChangesAreReportedAndTheDownloadGoesOn) {
    ready();
    // A device that knows none of the four keys answers "?" to the query and to the write.
    for (const char* key : {"DN", "NID", "DB", "BR"}) {
        device->values.remove(key);
    }
    rig.prompter.answers = {true, true, true, true};
    EXPECT_EQ(settingsPart(down()),
              framed("05", {"CM", "DN", "DN=KRB05", "NID", "NID=5", "DB", "DB=1", "BR", "BR=5"}));
    EXPECT_EQ(rig.prompter.messages(),
              QStringList({"Are you sure you want change Device ID to 05?", kDeviceIdError,
                           "Are you sure you want change Node ID to 5?", kNodeIdError,
                           kBaudQuestion, kBaudError, kBaudQuestion, kBaudError, kDownloadDone}));
}

TEST_F(DownloadTest, StoreAsksAndReportsTheDevicesAnswer) {
    const struct {
        bool yes;
        QByteArray reply;
        QStringList sent;
        QStringList after;  // messages after the question
    } cases[] = {
        {true, "OK\r", {"STORE"}, {kStoreDone}},
        {true, "FAIL\r", {"STORE"}, {kStoreError}},
        {true, "\r", {"STORE"}, {kNoResponse}},
        {true, "", {"STORE"}, {QString(kNoReplyToCommand) + "STORE"}},
        {false, "OK\r", {}, {}},
    };
    for (const auto& c : cases) {
        ready();
        device->faults.rawReplies = {c.reply};
        rig.prompter.answers = {c.yes};
        window->SetSN->click();
        EXPECT_EQ(rig.takeLines(), framed("05", c.sent)) << c.reply.constData();
        EXPECT_EQ(rig.prompter.messages(), QStringList{kStoreQuestion} + c.after);
        EXPECT_EQ(rig.prompter.shown[0].title, kStoreTitle);
        device->faults.rawReplies.clear();
    }
}

TEST_F(DownloadTest, ChangedSettingsTakeEffectOnlyWhenStoredAndPowerCycled) {
    ready();
    selectItem(controls().comm.DeviceIDCombo, "09");
    selectItem(controls().comm.baudCombo, "19200");
    controls().comm.selectMethod(CommMethod::CanOpen);
    rig.prompter.answers = {true, true, true, true};
    down();
    EXPECT_EQ(device->values["DN"], "KRB09");  // read back at once
    EXPECT_EQ(device->id(), 5);
    forget();
    window->UploadPar->click();  // still reached at 05, 9600, on the serial line
    EXPECT_EQ(rig.takeLines().size(), uploadQueries().size());
    EXPECT_EQ(controls().comm.DeviceIDCombo->currentText(), "09");
    window->SetSN->click();
    device->powerCycle(rig.hub.nowMs());
    EXPECT_EQ(device->id(), 9);
    EXPECT_EQ(device->baud(), 19200);
    EXPECT_FALSE(device->onSerialLine());  // CANopen now
}

}  // namespace
