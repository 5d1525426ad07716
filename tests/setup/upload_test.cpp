#include <gtest/gtest.h>

#include "link/messages.h"
#include "setup/setup_messages.h"
#include "setup_rig.h"

namespace {

class UploadTest : public ::testing::Test, public SetupRig {};

TEST_F(UploadTest, LoadingOpensThePortAndUploadsInOrder) {
    device->values["EDO"] = "1";
    device->values["DB"] = "3";
    device->values["BR"] = "9";
    device->values["DN"] = "KRB07";
    device->values["NID"] = "7";
    device->values["POL"] = "3";
    device->values["LCA"] = "0300";
    device->values["CM"] = "2";
    device->values["SLR"] = " 4 ";
    device->values["SL"] = "1";
    device->values["DOBOOT"] = "J+";
    device->values["EDEC"] = "1";
    device->values["RZ"] = "1";
    SetupParameters& w = open();
    EXPECT_EQ(rig.takeLines(), framed("05", uploadQueries()));
    auto& port = dynamic_cast<SimPort&>(w.session().port());
    EXPECT_EQ(port.calls.mid(0, 6),
              QStringList({"threshold 1", "input length 1", "settings 9600,N,8,1", "dtr 0",
                           "port 1", "open"}));
    EXPECT_TRUE(rig.prompter.shown.isEmpty());
    EXPECT_TRUE(w.values().ComStatus);

    SetupControls& c = controls();
    EXPECT_EQ(w.windowTitle(), "Setup Parameters");
    EXPECT_TRUE(c.params.EDOenable->isChecked());
    EXPECT_EQ(c.comm.baudCombo->currentText(), "38400");
    EXPECT_EQ(c.comm.CANbaudCombo->currentText(), "1000000");
    EXPECT_EQ(c.comm.DeviceIDCombo->currentText(), "07");
    EXPECT_EQ(c.comm.NodeIDCombo1->currentText(), "7");
    EXPECT_TRUE(c.polarity.PulsePolHigh->isChecked());
    EXPECT_TRUE(c.polarity.DirPolHigh->isChecked());
    for (QRadioButton* low : {c.polarity.LimitPolLow, c.polarity.HomePolLow, c.polarity.LatchPolLow,
                              c.polarity.InPosPolLow, c.polarity.AlarmPolLow}) {
        EXPECT_TRUE(low->isChecked()) << qPrintable(low->objectName());
    }
    EXPECT_EQ(c.params.LCA->text(), "300");
    EXPECT_TRUE(c.comm.EnaCAN->isChecked());
    EXPECT_EQ(c.params.RunCurrent->text(), "1500");
    EXPECT_EQ(c.params.PosGuardRatio->text(), " 4 ");  // text replies are shown as they come
    EXPECT_EQ(c.params.PosGuardIdleTime->text(), "100");
    EXPECT_TRUE(c.params.PosGuardEnable->isChecked());
    EXPECT_EQ(c.params.DOBOOT->text(), "J+");
    EXPECT_TRUE(c.params.DecEnable->isChecked());
    EXPECT_TRUE(c.params.ReturnZero->isChecked());
    EXPECT_FALSE(c.comm.RT->isChecked());  // never read
    EXPECT_EQ(c.comm.baudCombo->count(), 5);
    EXPECT_EQ(c.comm.CANbaudCombo->count(), 9);
    EXPECT_EQ(c.comm.DeviceIDCombo->count(), 99);
    EXPECT_EQ(c.comm.NodeIDCombo1->count(), 127);
}

TEST_F(UploadTest, FailuresEndTheUploadWhereTheyHappen) {
    const struct {
        const char* name;
        const char* key;    // the query that fails
        QByteArray bytes;   // raw answer to it, or
        const char* value;  // a device value (when bytes is empty)
        QStringList messages;
        bool comStatus;
    } cases[] = {
        {"timeout", "SLR", "", nullptr, {QString(kNoReplyToCommand) + "SLR"}, false},
        {"empty reply", "CURI", "\r", nullptr, {kNoResponse}, false},
        {"unknown EDEC", "EDEC", "?\r", nullptr, {}, true},
        {"identity", "ID", "Stepvane-R-TB\r", nullptr, {"ID does not match: Stepvane-R-TB"}, false},
        {"node 200", "NID", "", "200", {kUnusableReply}, false},
        {"device 00", "DN", "", "KRB00", {kUnusableReply}, false},
        {"polarity text", "POL", "", "abc", {kUnusableReply}, false},
        {"baud text", "DB", "", "?", {kUnusableReply}, false},
        {"EDEC text", "EDEC", "", "x", {kUnusableReply}, false},
        {"RZ text", "RZ", "", "", {kNoResponse}, false},
    };
    for (const auto& c : cases) {
        device->values = SimDevice(5, 9600).values;
        device->faults.rawReplies.clear();
        if (c.value) {
            device->values[c.key] = c.value;
        } else {
            answerThen(queriesBefore(c.key), c.bytes);
        }
        forget();
        SetupParameters& w = open();
        QStringList expected = queriesBefore(c.key);
        expected << c.key;
        EXPECT_EQ(rig.takeLines(), framed("05", expected)) << c.name;
        EXPECT_EQ(rig.prompter.messages(), c.messages) << c.name;
        EXPECT_EQ(w.values().ComStatus, c.comStatus) << c.name;
    }
}

TEST_F(UploadTest, AFailedQueryLeavesItsControlAndAllLaterOnes) {
    answerThen(queriesBefore("SLR"), "");
    SetupParameters& w = open();
    SetupControls& c = controls();
    EXPECT_EQ(c.params.PosGuardTolRange->text(), "10");  // read before
    EXPECT_EQ(c.params.PosGuardRatio->text(), "1");
    EXPECT_EQ(c.params.PosGuardHighSpeed->text(), "1");
    EXPECT_EQ(c.params.DOBOOT->text(), "");
    EXPECT_FALSE(c.params.PosGuardEnable->isChecked());
    // The window has no device now: every device operation refuses.
    forget();
    for (QPushButton* b : {w.UploadPar, w.DownloadPar, w.SetSN}) {
        b->click();
    }
    EXPECT_TRUE(rig.takeLines().isEmpty());
    EXPECT_EQ(rig.prompter.messages(), QStringList(3, kDeviceNotOpen));
}

TEST_F(UploadTest, UnknownRatesLeaveTheListsAndTheUploadGoesOn) {
    device->values["DB"] = "7";
    device->values["BR"] = "0";
    device->values["EDEC"] = "?";
    SetupParameters& w = open();
    EXPECT_EQ(controls().comm.baudCombo->currentText(), "9600");
    EXPECT_EQ(controls().comm.CANbaudCombo->currentIndex(), -1);
    EXPECT_EQ(rig.takeLines().size(), uploadQueries().size() - 1);  // "RZ" not asked
    EXPECT_TRUE(rig.prompter.shown.isEmpty());
    EXPECT_TRUE(w.values().ComStatus);
}

TEST_F(UploadTest, GuardsRefuseBeforeAnythingIsSent) {
    for (const bool portOpen : {false, true}) {
        forget();
        SetupParameters& w = open(portOpen, false);
        EXPECT_EQ(rig.prompter.messages(), QStringList{portOpen ? kDeviceNotOpen : kPortNotOpen});
        EXPECT_TRUE(rig.takeLines().isEmpty());
        EXPECT_EQ(rig.hub.open_.contains(1), portOpen);
        EXPECT_EQ(controls().params.LCA->text(), "300");
        EXPECT_EQ(controls().comm.DeviceIDCombo->currentText(), "01");
        EXPECT_EQ(controls().comm.baudCombo->currentText(), "9600");
        EXPECT_EQ(controls().comm.NodeIDCombo1->currentIndex(), -1);
        EXPECT_TRUE(controls().comm.Ena485->isChecked());
        EXPECT_EQ(controls().params.DOBOOT->text(), "");
        w.Close->click();
        EXPECT_TRUE(rig.hub.open_.isEmpty());
    }
}

TEST_F(UploadTest, ALostLineIsReportedOnceAndChangesNoControl) {
    SetupParameters& w = open();
    device->values["LCA"] = "999";
    forget();
    rig.hub.vanish(1);
    w.UploadPar->click();
    const QStringList messages = rig.prompter.messages();
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].startsWith(kCommunicationError));
    EXPECT_EQ(controls().params.LCA->text(), "300");
    EXPECT_TRUE(w.values().ComStatus);  // the exchange leaves the flags to the window
}

TEST_F(UploadTest, APortThatCannotBeOpenedIsReportedAndRefusesLikeAClosedOne) {
    rig.hub.vanish(1);
    SetupParameters& w = open();
    const QStringList messages = rig.prompter.messages();
    ASSERT_EQ(messages.size(), 2);
    EXPECT_TRUE(messages[0].startsWith(kCommunicationError));
    EXPECT_EQ(messages[1], kPortNotOpen);
    EXPECT_FALSE(w.values().ComPortStatus);
    EXPECT_TRUE(rig.hub.lines().isEmpty());
}

}  // namespace
