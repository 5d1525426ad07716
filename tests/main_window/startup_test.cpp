#include "main_window/main_form_fixture.h"

namespace {

using StartupTest = MainFormTest;

// What the sync frame shows: the name of the comparison option checked, and the position.
QString shownSync(const SyncPanel& s) {
    QString checked;
    for (QRadioButton* b : {s.SyncEqual, s.SyncLessThan, s.SyncGreaterThan}) {
        checked += b->isChecked() ? b->objectName() : QString();
    }
    return checked + " " + s.SyncPos->text();
}

TEST_F(StartupTest, IdentifiesTheDeviceAndStartsPolling) {
    device->version = "V322";  // older firmware is only pointed out when picked from the list
    device->values["SYNP"] = "00100";
    MainControlForm& w = start();
    EXPECT_EQ(rig.takeLines(), framed("05", {"ID", "VER", "SYNC", "SYNP", "SYNC", "DN", "VER"}));
    EXPECT_EQ(shownComm(), QStringList({"Communication OK", kGreen, "Stepvane-CAN", "V322", "05"}));
    EXPECT_EQ(shownSync(w.sync), "SyncEqual 100");
    EXPECT_TRUE(rig.prompter.shown.isEmpty());
    EXPECT_TRUE(w.Timer1->isActive() && values().ComPortStatus && values().ComStatus);
    pick("05");  // the same ID again sends nothing
    EXPECT_TRUE(rig.takeLines().isEmpty());
    w.close();  // closing stops polling and releases the port
    EXPECT_FALSE(rig.hub.open_.contains(1) || w.Timer1->isActive());
}

// What the device says is text, never markup; so is every label that names a port or a file.
TEST_F(StartupTest, WhatTheDeviceSaysIsShownAsItIs) {
    device->version = "<b>V3</b>40";
    MainControlForm& w = start();
    EXPECT_EQ(w.comm.Version->text(), "<b>V3</b>40");
    for (const char* name : {"ID", "Version", "BaudText", "LineStatus", "RecordStatus"}) {
        const auto* label = w.findChild<QLabel*>(name);
        ASSERT_NE(label, nullptr) << name;
        EXPECT_EQ(label->textFormat(), Qt::PlainText) << name;
    }
}

TEST_F(StartupTest, ASilentOrForeignDeviceIsNotCommunicating) {
    for (const bool silent : {true, false}) {
        device->faults.silent = silent;
        device->identity = silent ? "Stepvane-CAN" : "Stepvane-R-TB";
        rig.prompter.clear();
        start();
        EXPECT_EQ(rig.takeLines(), framed("05", {"ID", "VER"}));
        EXPECT_EQ(shownComm(), QStringList({"No Communication", kRed, "???", "???", "05"}));
        EXPECT_EQ(rig.prompter.messages(), QStringList{"No Communication with device!"});
        EXPECT_EQ(shownSync(form->sync), "SyncEqual 0");
        EXPECT_FALSE(values().ComStatus);
        EXPECT_TRUE(form->Timer1->isActive());  // polling keeps asking for the identity
    }
}

TEST_F(StartupTest, UnusableRepliesEndStartUpAsAnUnavailablePort) {
    const std::pair<const char*, const char*> cases[] = {
        {"SYNC", "?"}, {"SYNP", "abc"}, {"DN", "KRBXY"}};
    for (const auto& [key, value] : cases) {
        device->values = SimDevice(5, 9600).values;
        device->values[key] = value;
        rig.prompter.clear();
        start();
        EXPECT_EQ(form->comm.ComStatusDisplay->text(), "Invalid Port") << key;
        EXPECT_EQ(rig.prompter.messages(), QStringList{kSelectAnotherPort}) << key;
        EXPECT_FALSE(form->Timer1->isActive()) << key;
        EXPECT_TRUE(rig.hub.open_.isEmpty()) << key;  // the port is released
    }
}

TEST_F(StartupTest, ADeviceNameWithAnotherIdSwitchesToIt) {
    device->values["DN"] = "KRB07";
    start();
    EXPECT_EQ(rig.takeLines(), QStringList({"@05ID", "@05VER", "@05SYNC", "@05SYNP", "@05SYNC",
                                            "@05DN", "@07ID", "@07VER"}));
    EXPECT_EQ(values().ComAddress, "07");
    EXPECT_EQ(rig.prompter.messages(),
              QStringList{"No Communication with the device at address 07"});
}

// A device that answers "ID" and then falls silent: the device name is used whenever "DN" itself
// is answered, and the list never stays blank.
TEST_F(StartupTest, TheDeviceNameCountsWheneverDnIsAnswered) {
    const QByteArray id = "Stepvane-CAN\r";
    const struct {
        const char* what;
        QList<QByteArray> replies;  // to ID, VER, SYNC, SYNP, SYNC and DN
        QStringList lines;          // after the first "DN"
        QString address, list;
        QStringList messages;
    } cases[] = {
        {"silent after ID", {id, "", "", "", "", ""}, {"@05VER"}, "05", "05", {}},
        {"VER silent, DN names 05",
         {id, "", "1\r", "7\r", "1\r", "KRB05\r"},
         {"@05VER"},
         "05",
         "05",
         {}},
        {"VER silent, DN names 07",
         {id, "", "1\r", "7\r", "1\r", "KRB07\r"},
         {"@07ID", "@07VER"},
         "07",
         "07",
         {"No Communication with the device at address 07"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        device->faults.rawReplies = c.replies;
        rig.prompter.clear();
        start();
        const QStringList lines = rig.takeLines();
        EXPECT_EQ(lines.mid(0, 6), framed("05", {"ID", "VER", "SYNC", "SYNP", "SYNC", "DN"}));
        EXPECT_EQ(lines.mid(6), c.lines);
        EXPECT_EQ(values().ComAddress, c.address);
        EXPECT_EQ(form->comm.SelectedDeviceID->currentText(), c.list);
        EXPECT_EQ(form->comm.ComStatusDisplay->text(), "No Communication");
        EXPECT_EQ(rig.prompter.messages(), c.messages);
        EXPECT_TRUE(form->Timer1->isActive());  // polling re-identifies
    }
}

// Picking another ID identifies that device, warns about older firmware and shows its sync
// comparison; a code that names none leaves the one shown before (device 05's "=").
TEST_F(StartupTest, PickingAnotherDeviceWarnsAboutOlderFirmwareAndReadsItsSync) {
    const QString head =
        "This is an older version of the NVQ-R-TB (%1).\rThe following operations are not "
        "compatible with the Main window of this software:\r - Deceleration entry field.";
    const QString mm = "\r - ABS and INC mode ('MM' command).";
    // The device's identity (both names are accepted), its version and the warning for it, its
    // sync comparison code and the option shown for it.
    const std::tuple<const char*, const char*, QString, const char*, const char*> cases[] = {
        {"Stepvane-R-TB", "V322", head.arg("V322"), "2", "SyncLessThan"},
        {"Stepvane-CAN", "V319", head.arg("V319") + mm, "3", "SyncGreaterThan"},
        {"Stepvane-R-TB", "V315",
         head.arg("V315") + mm + "\r - Error Handling in Standalone.\r - Non-volatile variables.",
         "1", "SyncEqual"},
        {"Stepvane-CAN", "V316", "", "9", "SyncEqual"},
        {"Stepvane-R-TB", "v322", "", "0", "SyncEqual"},
    };
    SimDevice& other = rig.hub.bus(1)->addDevice(6);
    other.values["SYNP"] = "-250";
    for (const auto& [identity, version, warning, sync, checked] : cases) {
        other.identity = identity;
        other.version = version;
        other.values["SYNC"] = sync;
        start(1, true);
        pick("06");
        EXPECT_EQ(rig.takeLines(), framed("06", {"ID", "VER", "SYNC", "SYNP"}));
        EXPECT_EQ(rig.prompter.messages(), warning.isEmpty() ? QStringList() : QStringList{warning})
            << version;
        EXPECT_EQ(shownComm(), QStringList({"Communication OK", kGreen, identity, version, "06"}));
        EXPECT_EQ(shownSync(form->sync), QString(checked) + " -250") << sync;
        EXPECT_EQ(values().ComAddress, "06");
    }
}

TEST_F(StartupTest, PickingADeviceThatDoesNotAnswerStaysOnIt) {
    rig.hub.bus(1)->addDevice(8).identity = "Stepvane-RTB";
    for (const char* id : {"07", "08"}) {  // silent, and a foreign identity
        start(1, true);
        pick(id);
        EXPECT_EQ(rig.prompter.messages(),
                  QStringList{QString("No Communication with the device at address ") + id});
        EXPECT_EQ(values().ComAddress, id);
        EXPECT_FALSE(values().ComStatus);
        EXPECT_EQ(shownComm(), QStringList({"No Communication", kRed, "???", "???", id}));
    }
}

}  // namespace
