#include <gtest/gtest.h>

#include "setup_rig.h"

namespace {

class UploadTest : public ::testing::Test, public SetupRig {};

TEST_F(UploadTest, LoadingUploadsInOrderAndShowsTheReplies) {
    const QMap<QString, QString> replies = {
        {"EDO", "1"}, {"DB", "3"},    {"BR", "9"}, {"DN", "KRB07"},  {"NID", "7"},  {"LCA", "0300"},
        {"CM", "2"},  {"SLR", " 4 "}, {"SL", "1"}, {"DOBOOT", "J+"}, {"EDEC", "1"}, {"RZ", "1"},
    };
    device->values.insert(replies);
    SetupParameters& w = open();
    EXPECT_EQ(rig.takeLines(), framed("05", uploadQueries()));
    EXPECT_TRUE(rig.prompter.shown.isEmpty());
    EXPECT_TRUE(w.values().ComStatus);

    SetupControls& c = controls();
    EXPECT_TRUE(c.params.EDOenable->isChecked());
    EXPECT_EQ(c.comm.baudCombo->currentText(), "38400");
    EXPECT_EQ(c.comm.CANbaudCombo->currentText(), "1000000");
    EXPECT_EQ(c.comm.DeviceIDCombo->currentText(), "07");
    EXPECT_EQ(c.comm.NodeIDCombo1->currentText(), "7");
    EXPECT_EQ(c.params.LCA->text(), "300");
    EXPECT_TRUE(c.comm.EnaCAN->isChecked());
    EXPECT_EQ(c.params.RunCurrent->text(), "1500");
    EXPECT_EQ(c.params.PosGuardRatio->text(), " 4 ");  // text replies are shown as they come
    EXPECT_EQ(c.params.PosGuardIdleTime->text(), "100");
    EXPECT_TRUE(c.params.PosGuardEnable->isChecked());
    EXPECT_EQ(c.params.DOBOOT->text(), "J+");
    EXPECT_TRUE(c.params.DecEnable->isChecked());
    EXPECT_TRUE(c.params.ReturnZero->isChecked());
}

// "POL" with one bit set at a time: that signal's row goes High, the other six stay Low.
TEST_F(UploadTest, EachPolaritySignalIsReadFromItsOwnBit) {
    open();
    for (const PolaritySignal& s : kPolaritySignals) {
        device->values["POL"] = QString::number(s.bit);
        window->UploadPar->click();
        ASSERT_TRUE(settleEngines());
        for (const PolaritySignal& row : kPolaritySignals) {
            const PolarityPanel& p = controls().polarity;
            EXPECT_EQ((p.*row.high)->isChecked(), row.bit == s.bit) << s.bit << " " << row.bit;
            EXPECT_EQ((p.*row.low)->isChecked(), row.bit != s.bit) << s.bit << " " << row.bit;
        }
    }
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
        {"timeout", "SLR", "", nullptr, {"No Reply to Command: SLR"}, false},
        {"empty reply", "CURI", "\r", nullptr, {"No Response!"}, false},
        {"unknown EDEC", "EDEC", "?\r", nullptr, {}, true},
        {"identity", "ID", "Stepvane-R-TB\r", nullptr, {"ID does not match: Stepvane-R-TB"}, false},
        {"node 200", "NID", "", "200", {"Communication Error"}, false},
        {"device 00", "DN", "", "KRB00", {"Communication Error"}, false},
        {"polarity text", "POL", "", "abc", {"Communication Error"}, false},
        {"baud text", "DB", "", "?", {"Communication Error"}, false},
        {"EDEC text", "EDEC", "", "x", {"Communication Error"}, false},
        {"RZ text", "RZ", "", "", {"No Response!"}, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        device->values = SimDevice(5, 9600).values;
        device->faults.rawReplies.clear();
        if (c.value) {
            device->values[c.key] = c.value;
        } else {
            answerThen(queriesBefore(c.key), c.bytes);
        }
        forget();
        SetupParameters& w = open();
        EXPECT_EQ(rig.takeLines(), framed("05", queriesBefore(c.key) + QStringList{c.key}));
        EXPECT_EQ(rig.prompter.messages(), c.messages);
        EXPECT_EQ(w.values().ComStatus, c.comStatus);
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
    // The window has no device now: every device operation refuses.
    forget();
    for (QPushButton* b : {w.UploadPar, w.DownloadPar, w.SetSN}) {
        b->click();
    }
    ASSERT_TRUE(settleEngines());
    EXPECT_TRUE(rig.takeLines().isEmpty());
    EXPECT_EQ(rig.prompter.messages(), QStringList(3, "Communication with device not open!"));
}

TEST_F(UploadTest, UnknownRatesLeaveTheListsAndTheUploadGoesOn) {
    device->values.insert({{"DB", "7"}, {"BR", "0"}, {"EDEC", "?"}});
    SetupParameters& w = open();
    EXPECT_EQ(controls().comm.baudCombo->currentText(), "9600");
    EXPECT_EQ(controls().comm.CANbaudCombo->currentIndex(), -1);
    EXPECT_EQ(rig.takeLines().size(), uploadQueries().size() - 1);  // "RZ" not asked
    EXPECT_TRUE(rig.prompter.shown.isEmpty());
    EXPECT_TRUE(w.values().ComStatus);
}

TEST_F(UploadTest, GuardsRefuseBeforeAnythingIsSent) {
    for (const bool portOpen : {false, true}) {
        SCOPED_TRACE(portOpen);
        forget();
        open(portOpen, false);
        EXPECT_EQ(rig.prompter.messages(),
                  QStringList{portOpen ? "Communication with device not open!"
                                       : "Communication port not open!"});
        EXPECT_TRUE(rig.takeLines().isEmpty());
        EXPECT_EQ(rig.hub.open_.contains(1), portOpen);
        EXPECT_EQ(controls().comm.DeviceIDCombo->currentText(), "01");  // nothing was read
        EXPECT_EQ(controls().params.DOBOOT->text(), "");
    }
}

}  // namespace
