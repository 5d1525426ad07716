#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>
#include <functional>
#include <utility>

#include "connect/search_com.h"
#include "connect/select_com_form.h"
#include "support/sim_rig.h"

namespace {

const char kNotFound[] = "Device not found!  Please check wiring and power inputs";

// Runs a scan window tick by tick on the virtual clock, as its timer would, until it closes;
// beforeTick runs before each tick.
void runScan(QDialog& window, const std::function<void(SearchCom&)>& beforeTick = {}) {
    auto& search = dynamic_cast<SearchCom&>(window);
    for (int i = 0; i < 2000 && search.isVisible(); ++i) {
        if (beforeTick) {
            beforeTick(search);
        }
        search.StatusTimer_Timer();
    }
    EXPECT_FALSE(search.isVisible()) << "the scan window closes itself";
}

// The connection dialog on simulated ports; its settings file in a temporary folder.
struct DialogRig {
    DialogRig() {
        form.endProgram = [] {};
    }

    // The next scan window shown runs to its end.
    void scanWhenShown(const std::function<void(SearchCom&)>& beforeTick = {}) {
        rig.modal.scripts.append([beforeTick](QDialog& window) { runScan(window, beforeTick); });
    }

    void choose(const QString& port, const QString& baud, const QString& id) {
        form.combo->setCurrentText(port);
        form.baudCom->setCurrentText(baud);
        form.DeviceIDCombo->setCurrentText(id);
    }

    QStringList selection() const {
        return {form.combo->currentText(), form.baudCom->currentText(),
                form.DeviceIDCombo->currentText()};
    }

    QTemporaryDir dir;
    SimRig rig;
    SelectComForm form{rig.services(), dir.filePath("nvq-can.ini")};
};

class SearchTest : public ::testing::Test, protected DialogRig {};

TEST_F(SearchTest, SearchSelectsTheDeviceFoundAndSaysWhere) {
    const struct {
        int port;
        int id;
        int baud;
        QStringList selected;
        const char* message;
    } cases[] = {
        {3, 2, 19200, {"COM3", "19200", "02"}, "NVQ-CAN Found on Port:3 Baud:19200 ID:02"},
        {12, 5, 115200, {"COM12", "115200", "05"}, "NVQ-CAN Found on Port:12 Baud:115200 ID:05"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message);
        DialogRig d;
        d.rig.addDevice(c.port, c.id, c.baud);
        d.choose("COM7", "9600", "44");
        d.scanWhenShown();
        d.form.SearchNVQ->click();
        EXPECT_EQ(d.rig.prompter.messages(), QStringList{c.message});
        EXPECT_EQ(d.selection(), c.selected);
        EXPECT_TRUE(d.rig.hub.open_.isEmpty());
    }
}

TEST_F(SearchTest, TheScanWindowRunsOnItsOwnTimer) {
    rig.addDevice(1, 1);
    QString title;
    int timerMs = -1;
    rig.modal.scripts.append([&](QDialog& window) {
        auto& search = dynamic_cast<SearchCom&>(window);
        title = search.windowTitle();
        timerMs = search.StatusTimer->isActive() ? search.StatusTimer->interval() : -1;
        runScan(window);
    });
    form.SearchNVQ->click();
    EXPECT_EQ(title, "Search NVQ Device");
    EXPECT_EQ(timerMs, 100);
}

// Nothing found, for whatever reason: each button's message, and the choices stay as they were.
TEST_F(SearchTest, NothingFoundLeavesTheChoicesAndSaysSo) {
    const struct {
        const char* name;
        std::function<void(SimRig&)> setUp;
        bool cancel;
        QStringList searchMessages;
        QStringList searchAllMessages;
    } cases[] = {
        {"no port",
         [](SimRig&) {},
         false,
         {"No Port Available!", kNotFound},
         {"No Port Available!", "No device found!"}},
        {"ID above 09",
         [](SimRig& r) { r.addDevice(2, 10); },
         false,
         {kNotFound},
         {"No device found!"}},
        {"cancelled",
         [](SimRig& r) { r.addDevice(2, 1); },
         true,
         {kNotFound},
         {"No device found!"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        DialogRig d;
        c.setUp(d.rig);
        d.choose("COM7", "38400", "33");
        for (QPushButton* button : {d.form.SearchNVQ, d.form.SearchAllNVQ}) {
            d.scanWhenShown([&c](SearchCom& search) {
                if (c.cancel && search.Step == 2) {
                    search.Cancel->click();
                }
            });
            button->click();
        }
        EXPECT_EQ(d.rig.prompter.messages(), c.searchMessages + c.searchAllMessages);
        EXPECT_EQ(d.selection(), QStringList({"COM7", "38400", "33"}));
    }
}

TEST_F(SearchTest, SearchAllListsEveryDeviceAndSelectsNothing) {
    rig.addDevice(3, 4);
    rig.addDevice(3, 1);
    rig.addDevice(5, 7, 57600);
    choose("COM2", "9600", "12");
    scanWhenShown();
    form.SearchAllNVQ->click();
    EXPECT_EQ(rig.prompter.messages(), QStringList{"Found on Com Port:3 Baud:9600 ID:01\r\n"
                                                   "Found on Com Port:3 Baud:9600 ID:04\r\n"
                                                   "Found on Com Port:5 Baud:57600 ID:07\r\n"});
    EXPECT_EQ(selection(), QStringList({"COM2", "9600", "12"}));
}

TEST_F(SearchTest, SearchAllCancelledShowsWhatWasFoundSoFar) {
    rig.addDevice(1, 3);
    rig.addDevice(4, 2);
    scanWhenShown([](SearchCom& search) {
        if (search.Step >= 3 && search.PortNumber == 4) {
            search.Cancel->click();
        }
    });
    form.SearchAllNVQ->click();
    EXPECT_EQ(rig.prompter.messages(), QStringList{"Found on Com Port:1 Baud:9600 ID:03\r\n"});
    EXPECT_TRUE(rig.takeLines(4).isEmpty());
}

TEST_F(SearchTest, ExitAfterSearchSavesTheDeviceFound) {
    rig.addDevice(6, 8, 38400);
    scanWhenShown();
    form.SearchNVQ->click();
    EXPECT_FALSE(QFile::exists(dir.filePath("nvq-can.ini")));  // the search saves nothing itself
    form.Close->click();
    QFile file(dir.filePath("nvq-can.ini"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray("COM6\r\n38400\r\n08\r\n"));
}

// "No Port Available!" spins a nested event loop in which the timer keeps firing; those ticks
// must not run the scan again.
TEST_F(SearchTest, TicksDuringTheMessageDoNothing) {
    SearchCom* scan = nullptr;
    int nestedTicks = 0;
    rig.prompter.whileShowing = [&] {
        SearchCom* nested = std::exchange(scan, nullptr);
        for (int i = 0; nested && i < 3; ++i) {
            nested->StatusTimer_Timer();
            ++nestedTicks;
        }
    };
    scanWhenShown([&](SearchCom& search) { scan = &search; });
    form.SearchNVQ->click();
    EXPECT_EQ(nestedTicks, 3);
    EXPECT_EQ(rig.prompter.messages(), QStringList({"No Port Available!", kNotFound}));
}

TEST_F(SearchTest, ClosingTheScanWindowEndsTheScanAtOnce) {
    rig.addDevice(2, 9);
    rig.modal.scripts.append([this](QDialog& window) {
        auto& search = dynamic_cast<SearchCom&>(window);
        for (int i = 0; i < 20; ++i) {  // into the queries on port 2
            search.StatusTimer_Timer();
        }
        ASSERT_EQ(rig.hub.open_, QSet<int>{2});
        search.reject();  // Escape, or the window's frame
        EXPECT_FALSE(search.StatusTimer->isActive());
        EXPECT_TRUE(rig.hub.open_.isEmpty());
        const qsizetype written = rig.hub.wire_.size();
        search.StatusTimer_Timer();
        EXPECT_EQ(rig.hub.wire_.size(), written);
    });
    form.SearchAllNVQ->click();
    EXPECT_EQ(rig.prompter.messages(), QStringList{"No device found!"});
}

}  // namespace
