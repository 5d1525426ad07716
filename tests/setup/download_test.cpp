#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "setup_rig.h"
#include "support/file_faults.h"

namespace {

// The question and the report of a serial baud rate or CAN bit rate change.
const QString kRateQuestion = "Are you sure you want change the baudrate?";
const QString kRateDone =
    "Baudrate change done.  Store to flash, exit program, and reset power for new baudrate to "
    "take effect.";

// The queries of the communication settings, each followed by its write where there is one.
QStringList settingsSent(const QStringList& writes) {
    QStringList sent{"CM", "DN", "NID", "DB", "BR"};
    for (const QString& w : writes) {
        sent.insert(sent.indexOf(w.section('=', 0, 0)) + 1, w);
    }
    return framed("05", sent);
}

class DownloadTest : public ::testing::Test, public SetupRig {
  protected:
    // An uploaded window; what follows is the download's.
    void ready() {
        open();
        forget();
    }
    QStringList down() {
        window->DownloadPar->click();
        EXPECT_TRUE(settleEngines());
        return rig.takeLines();
    }
    // The part of the download's wire between the last ordinary write and "DOBOOT=".
    QStringList downSettings() {
        const QStringList lines = down();
        const int from = lines.indexOf("@05SLI=100") + 1;
        const int to = lines.indexOf("@05DOBOOT=0");
        return lines.mid(from, (to < 0 ? lines.size() : to) - from);
    }
};

TEST_F(DownloadTest, WritesEveryParameterInOrderAsTheControlsStand) {
    device->values["POL"] = "15";  // bits 2 and 3 have no option and are not written back
    ready();
    controls().polarity.AlarmPolHigh->setChecked(true);
    controls().params.LCA->clear();
    controls().params.RunCurrent->setText(" 12 ");
    controls().comm.RT->setChecked(true);
    controls().params.DecEnable->setChecked(true);
    const qint64 before = rig.hub.nowMs();
    QStringList edited = defaultDownload();
    for (const auto& [from, to] : {std::pair{"POL=0", "POL=259"},
                                   {"LCA=300", "LCA="},
                                   {"CURR=1500", "CURR= 12 "},
                                   {"RT=0", "RT=1"},
                                   {"EDEC=0", "EDEC=1"}}) {
        edited.replace(edited.indexOf(from), to);
    }
    EXPECT_EQ(down(), framed("05", edited));
    EXPECT_EQ(rig.prompter.messages(), QStringList{"Download Done!"});
    EXPECT_GE(rig.hub.nowMs() - before, 1000);  // "SR=0" is given its second
    EXPECT_TRUE(window->values().ComStatus);
}

// One signal on High at a time: "POL=" carries that signal's bit alone.
TEST_F(DownloadTest, EachPolaritySignalIsWrittenAsItsOwnBit) {
    ready();
    for (const PolaritySignal& s : kPolaritySignals) {
        for (const PolaritySignal& row : kPolaritySignals) {
            (controls().polarity.*(row.bit == s.bit ? row.high : row.low))->setChecked(true);
        }
        EXPECT_EQ(down().filter("@05POL="), QStringList{"@05POL=" + QString::number(s.bit)});
    }
}

TEST_F(DownloadTest, AFailedCommandOrUnusableReplyEndsTheDownloadWithoutDone) {
    const struct {
        const char* failing;
        QByteArray bytes;
        QString message;
    } cases[] = {
        {"CURI=500", "", "No Reply to Command: CURI=500"},
        {"SR=0", "\r", "No Response!"},
        {"NID", "", "No Reply to Command: NID"},
        {"CM", "RS485\r", "Communication Error"},  // a method that is no number
        {"RZ=0", "", "No Reply to Command: RZ=0"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.failing);
        device->faults.rawReplies.clear();
        ready();
        const QStringList all = defaultDownload();
        const QStringList before = all.mid(0, all.indexOf(c.failing));
        answerThen(before, c.bytes);
        EXPECT_EQ(down(), framed("05", before + QStringList{c.failing}));
        EXPECT_EQ(rig.prompter.messages(), QStringList{c.message});
        EXPECT_FALSE(window->values().ComStatus);
    }
}

TEST_F(DownloadTest, CommunicationMethodIsChangedOnlyAfterYes) {
    using M = CommMethod;
    const struct {
        const char* present;  // the device's code
        M wanted;
        bool yes;
        const char* from;  // the names in the question; "": none is asked
        const char* to;
        const char* write;
        M shownAfter;
    } cases[] = {
        {"0", M::Rs485, true, "RS-232", "RS-485", "CM=1", M::Rs485},
        {"2", M::Rs485, false, "CANopen", "RS-485", "", M::CanOpen},
        {"1", M::CanOpen, true, "RS-485", "CANopen", "CM=2", M::CanOpen},
        {"1", M::Rs232, false, "RS-485", "RS-232", "", M::Rs485},
        {"2", M::Rs232, true, "CANopen", "RS-232", "CM=0", M::Rs232},
        {"1", M::Rs485, true, "", "", "", M::Rs485},
        {"7", M::CanOpen, true, "", "", "", M::CanOpen},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.present) + " to " + c.to + (c.yes ? ", yes" : ", no"));
        ready();
        controls().comm.selectMethod(c.wanted);
        device->values["CM"] = c.present;
        rig.prompter.answers = {c.yes};
        EXPECT_EQ(downSettings(), settingsSent(*c.write ? QStringList{c.write} : QStringList()));
        QStringList said;
        if (*c.from) {
            said << QString("Current Communication is %1.  Are you sure you want change to %2?")
                        .arg(c.from, c.to);
            EXPECT_EQ(rig.prompter.shown[0].title, "Communication Method");
        }
        if (*c.write) {
            said << QString(
                        "Communication Method changed to %1.  Store to Flash and power cycle "
                        "and use %1 to communicate.")
                        .arg(c.to);
        }
        EXPECT_EQ(rig.prompter.messages(), said + QStringList{"Download Done!"});
        EXPECT_EQ(controls().comm.method(), c.shownAfter);
    }
}

TEST_F(DownloadTest, IdsAndRatesAreChangedOnlyAfterYes) {
    // The device holds "DN", "NID", "DB" and "BR" at KRB05, 5, 1 (9600) and 5 (125000).
    using Comm = CommunicationControls;
    const struct {
        QComboBox* Comm::*list;
        const char* item;
        QString question;
        const char* title;
        const char* write;    // after "Yes"
        QString done;         // what is said after that write
        const char* afterNo;  // what the list shows after "No"
    } cases[] = {
        {&Comm::DeviceIDCombo, "07", "Are you sure you want change Device ID to 07?", "Device ID",
         "DN=KRB07",
         "Device ID Set.  Perform store to flash and reset power for new Device ID to take effect.",
         "05"},
        {&Comm::NodeIDCombo1, "12", "Are you sure you want change Node ID to 12?", "Node ID",
         "NID=12",
         "Device ID Set.  Perform store to flash and reset power for new Node ID to take effect.",
         "5"},
        // The titles of the two rate questions are the program's own choice.
        {&Comm::baudCombo, "115200", kRateQuestion, "Serial Baud Rate", "DB=5", kRateDone,
         "115200"},
        {&Comm::CANbaudCombo, "10000", kRateQuestion, "CANopen Bit Rate", "BR=1", kRateDone,
         "10000"},
    };
    for (const auto& c : cases) {
        for (const bool yes : {true, false}) {
            SCOPED_TRACE(std::string(c.item) + (yes ? ", yes" : ", no"));
            device->values = SimDevice(5, 9600).values;
            ready();
            QComboBox* list = controls().comm.*c.list;
            selectItem(list, c.item);
            rig.prompter.answers = {yes};
            EXPECT_EQ(downSettings(), settingsSent(yes ? QStringList{c.write} : QStringList()));
            EXPECT_EQ(rig.prompter.shown[0].title, c.title);
            EXPECT_EQ(rig.prompter.messages(), QStringList{c.question} +
                                                   (yes ? QStringList{c.done} : QStringList()) +
                                                   QStringList{"Download Done!"});
            EXPECT_EQ(list->currentText(), yes ? c.item : c.afterNo);
        }
    }
    // A list without a selection asks nothing and writes nothing.
    for (QComboBox* Comm::*list : {&Comm::CANbaudCombo, &Comm::NodeIDCombo1}) {
        ready();
        (controls().comm.*list)->setCurrentIndex(-1);
        rig.prompter.answers = {true};
        EXPECT_EQ(downSettings(), settingsSent({}));
        EXPECT_EQ(rig.prompter.messages(), QStringList{"Download Done!"});
        EXPECT_EQ((controls().comm.*list)->currentText(), "");
    }
}

TEST_F(DownloadTest, RefusedChangesAreReportedAndTheDownloadGoesOn) {
    ready();
    // A device that knows none of the four keys answers "?" to the query and to the write.
    for (const char* key : {"DN", "NID", "DB", "BR"}) {
        device->values.remove(key);
    }
    rig.prompter.answers = {true, true, true, true};
    EXPECT_EQ(downSettings(), settingsSent({"DN=KRB05", "NID=5", "DB=1", "BR=5"}));
    EXPECT_EQ(rig.prompter.messages(),
              QStringList({"Are you sure you want change Device ID to 05?",
                           "Error setting device ID", "Are you sure you want change Node ID to 5?",
                           "Error setting Device ID", kRateQuestion, "Error setting baudrate.",
                           kRateQuestion, "Error setting baudrate.", "Download Done!"}));
}

TEST_F(DownloadTest, StoreAsksAndReportsTheDevicesAnswer) {
    const struct {
        bool yes;
        QByteArray reply;
        QStringList after;  // messages after the question
    } cases[] = {
        {true, "OK\r", {"Store to Flash done!"}},
        {true, "FAIL\r", {"Error setting flash!"}},
        {true, "\r", {"No Response!"}},
        {true, "", {"No Reply to Command: STORE"}},
        {false, "OK\r", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.reply.constData());
        ready();
        device->faults.rawReplies = {c.reply};
        rig.prompter.answers = {c.yes};
        window->SetSN->click();
        ASSERT_TRUE(settleEngines());
        EXPECT_EQ(rig.takeLines(), c.yes ? QStringList{"@05STORE"} : QStringList());
        EXPECT_EQ(rig.prompter.messages(),
                  QStringList{"Are you sure you want to save parameters to flash?"} + c.after);
        EXPECT_EQ(rig.prompter.shown[0].title, "Store to Flash");
        device->faults.rawReplies.clear();
    }
}

// Presses made while an operation waits on its question (by a screen reader, a program) run
// after it, in order: nothing reaches the device while the question is open, and the window
// closes only when both have run.
TEST_F(DownloadTest, PressesDuringAQuestionRunAfterTheOperation) {
    ready();
    QStringList sentWhileAsked;
    rig.prompter.whileShowing = [&] {
        rig.prompter.whileShowing = nullptr;
        window->UploadPar->click();
        window->Close->click();
        sentWhileAsked = rig.takeLines();
    };
    rig.prompter.answers = {true};
    window->SetSN->click();
    ASSERT_TRUE(settleEngines());
    EXPECT_TRUE(sentWhileAsked.isEmpty());
    EXPECT_EQ(rig.takeLines(), QStringList{"@05STORE"} + framed("05", uploadQueries()));
    EXPECT_FALSE(rig.hub.open_.contains(1));
    EXPECT_EQ(rig.prompter.messages(),
              QStringList(
                  {"Are you sure you want to save parameters to flash?", "Store to Flash done!"}));
}

// A parameter set opened from a file and downloaded reaches the device as the file has it.
TEST_F(DownloadTest, AnOpenedFileReachesTheDevice) {
    QTemporaryDir dir;
    const QString file = dir.filePath("edited.par");
    ASSERT_TRUE(putFile(file,
                        "288\r\n250\r\n1\r\n1800\r\n600\r\n750\r\n20\r\n400\r\n5\r\n1200\r\n"
                        "80\r\n0\r\n07\r\n33\r\n38400\r\n500000\r\n0\r\n 1 \r\nJ+\r\n\r\n 1 \r\n"));
    ready();
    rig.prompter.fileNames = {file};
    window->OpenParameters->click();
    ASSERT_TRUE(settleEngines());
    QMap<QString, QString> expected = device->values;
    expected.insert({{"POL", "288"},  {"LCA", "250"},   {"SL", "1"},    {"CURR", "1800"},
                     {"CURI", "600"}, {"CURT", "750"},  {"SLT", "20"},  {"SLE", "400"},
                     {"SLA", "5"},    {"SLH", "1200"},  {"SLI", "80"},  {"CM", "0"},
                     {"DN", "KRB07"}, {"NID", "33"},    {"DB", "3"},    {"BR", "7"},
                     {"EDO", "1"},    {"DOBOOT", "J+"}, {"EOBOOT", ""}, {"RZ", "1"}});
    forget();
    rig.prompter.answers = {true, true, true, true, true};
    down();
    EXPECT_EQ(rig.prompter.messages().last(), "Download Done!");
    EXPECT_EQ(device->values, expected);
    // The window goes on talking to the device at 05 and reads the new ID back (the upload then
    // ends at the empty EOBOOT, which answers nothing).
    forget();
    window->UploadPar->click();
    ASSERT_TRUE(settleEngines());
    EXPECT_EQ(rig.takeLines().mid(0, 5), framed("05", {"EDO", "ID", "DB", "BR", "DN"}));
    EXPECT_EQ(controls().comm.DeviceIDCombo->currentText(), "07");
}

}  // namespace
