// The connection dialog on simulated ports: its settings file, "Connect", "Exit", and the scan
// window of "Search" and "Search All" run tick by tick on the virtual clock.
#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>
#include <functional>
#include <utility>

#include "connect/search_com.h"
#include "connect/select_com_form.h"
#include "main_window/main_control_form.h"
#include "support/config_home.h"
#include "support/engine_settle.h"
#include "support/sim_rig.h"

namespace {

const char kNotFound[] = "Device not found!  Please check wiring and power inputs";

// Runs a scan window as its timer would, each step to its end, until it closes; beforeTick runs
// before each tick.
void runScan(QDialog& window, const std::function<void(SearchCom&)>& beforeTick = {}) {
    auto& search = dynamic_cast<SearchCom&>(window);
    for (int i = 0; i < 2000 && search.isVisible(); ++i) {
        if (beforeTick) {
            beforeTick(search);
        }
        search.StatusTimer_Timer();
        settleEngines();
    }
    EXPECT_FALSE(search.isVisible()) << "the scan window closes itself";
}

// The dialog, opened on its settings file in a temporary folder.
struct DialogRig {
    DialogRig() { open(); }

    // (Re)opens the dialog on the settings file as it is now.
    void open() {
        form = std::make_unique<SelectComForm>(rig.services(), path());
        form->endProgram = [this] { ended = true; };
    }
    QString path() const { return dir.filePath("nvq-can.ini"); }
    QByteArray settings() const {
        QFile file(path());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<no file>");
    }
    // The next scan window shown runs to its end.
    void scanWhenShown(const std::function<void(SearchCom&)>& beforeTick = {}) {
        rig.modal.scripts.append([beforeTick](QDialog& window) { runScan(window, beforeTick); });
    }
    void choose(const QString& port, const QString& baud, const QString& id) {
        form->combo->setCurrentText(port);
        form->baudCom->setCurrentText(baud);
        form->DeviceIDCombo->setCurrentText(id);
    }
    QStringList selection() const {
        return {form->combo->currentText(), form->baudCom->currentText(),
                form->DeviceIDCombo->currentText()};
    }

    QTemporaryDir dir;
    SimRig rig;
    std::unique_ptr<SelectComForm> form;
    bool ended = false;
};

class ConnectionDialogTest : public ::testing::Test, protected DialogRig {};

// The dialog starts on the saved choices; "Connect" saves them again (the file was removed in
// between) and hands them to the main window, each time it is clicked.
TEST_F(ConnectionDialogTest, ConnectSavesTheChoicesAndHandsThemToTheMainWindow) {
    QFile file(path());
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("COM12\r\n57600\r\n23\r\n");
    file.close();
    open();
    EXPECT_EQ(selection(), QStringList({"COM12", "57600", "23"}));
    QFile::remove(path());
    for (const char* baud : {"57600", "9600"}) {
        form->baudCom->setCurrentText(baud);
        bool shown = false;
        rig.modal.scripts.append([&shown, baud](QDialog& window) {
            const MainSession& session = dynamic_cast<MainControlForm&>(window).session();
            const ConnectionValues& v = session.values;
            EXPECT_EQ(QStringList({QString::number(v.ComPortNumber), v.Baudrate, v.ComAddress}),
                      QStringList({"12", baud, "23"}));
            EXPECT_FALSE(session.PausePolling);
            shown = true;
        });
        form->Connect->click();
        EXPECT_TRUE(shown);
        EXPECT_EQ(settings(), QByteArray("COM12\r\n") + baud + "\r\n23\r\n");
    }
}

TEST_F(ConnectionDialogTest, ExitSavesTheChoicesAndEndsTheProgram) {
    choose("COM3", "9600", "07");
    form->Close->click();
    EXPECT_TRUE(ended);
    EXPECT_EQ(settings(), QByteArray("COM3\r\n9600\r\n07\r\n"));
    EXPECT_EQ(rig.modal.shownCount, 0);
}

TEST_F(ConnectionDialogTest, AnUnwritableSettingsFileStopsNothing) {
    const QString blocked = dir.filePath("no-such-folder/nvq-can.ini");
    form = std::make_unique<SelectComForm>(rig.services(), blocked);
    form->endProgram = [this] { ended = true; };
    form->Connect->click();
    EXPECT_EQ(rig.modal.shownCount, 1);
    form->Close->click();
    EXPECT_TRUE(ended);
    EXPECT_FALSE(QFile::exists(blocked));
}

// Each entry of the port list is its own port: the dialog shows the device it resolves to (with
// no serial lines listed, none is behind it), and the main window opens it on "Connect".
TEST_F(ConnectionDialogTest, EachPortEntryIsItsOwnPort) {
    const std::pair<const char*, int> entries[] = {
        {"COM1", 1},   {"COM2", 2},   {"COM3", 3},   {"COM4", 4},   {"COM5", 5},
        {"COM6", 6},   {"COM7", 7},   {"COM8", 8},   {"COM9", 9},   {"COM10", 10},
        {"COM11", 11}, {"COM12", 12}, {"COM13", 13}, {"COM14", 14}, {"COM15", 15},
    };
    const ConfigHome home(dir.path());  // no port links: the serial defaults
    open();
    ASSERT_EQ(form->combo->count(), 15);
    for (int i = 0; i < 15; ++i) {
        const auto& [entry, number] = entries[i];
        rig.hub.addPort(number);
        EXPECT_EQ(form->combo->itemText(i), entry);
        form->combo->setCurrentIndex(i);
        EXPECT_EQ(form->PortPath->text(), QString("/dev/ttyS%1 · no device").arg(number - 1))
            << entry;
        QSet<int> opened;
        rig.modal.scripts.append([&](QDialog&) { opened = rig.hub.open_; });
        form->Connect->click();
        EXPECT_EQ(opened, QSet<int>{number}) << entry;
    }
}

// Nothing found, for whatever reason: each button's message, and the choices stay as they were.
TEST_F(ConnectionDialogTest, NothingFoundLeavesTheChoicesAndSaysSo) {
    const struct {
        const char* name;
        int id;  // of the device on COM2; 0: no port at all
        bool cancel;
        QStringList messages;  // of "Search", then of "Search All"
    } cases[] = {
        {"no port",
         0,
         false,
         {"No Port Available!", kNotFound, "No Port Available!", "No device found!"}},
        {"ID above 09", 10, false, {kNotFound, "No device found!"}},
        {"cancelled", 1, true, {kNotFound, "No device found!"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        DialogRig d;
        if (c.id > 0) {
            d.rig.addDevice(2, c.id);
        }
        d.choose("COM7", "38400", "33");
        for (QPushButton* button : {d.form->SearchNVQ, d.form->SearchAllNVQ}) {
            d.scanWhenShown([&c](SearchCom& search) {
                if (c.cancel && search.Step == 2) {
                    search.Cancel->click();
                }
            });
            button->click();
        }
        EXPECT_EQ(d.rig.prompter.messages(), c.messages);
        EXPECT_EQ(d.selection(), QStringList({"COM7", "38400", "33"}));
    }
}

// "Search" runs its window on a 100 ms timer; it selects and names the device found, which
// "Exit" then saves (the search itself saves nothing).
TEST_F(ConnectionDialogTest, SearchSelectsTheDeviceFoundAndExitSavesIt) {
    rig.addDevice(12, 8, 38400);
    choose("COM7", "9600", "44");
    int timerMs = -1;
    scanWhenShown([&timerMs](SearchCom& s) {
        timerMs = s.StatusTimer->isActive() ? s.StatusTimer->interval() : 0;
    });
    form->SearchNVQ->click();
    EXPECT_EQ(timerMs, 100);
    EXPECT_EQ(rig.prompter.messages(), QStringList{"NVQ-CAN Found on Port:12 Baud:38400 ID:08"});
    EXPECT_EQ(selection(), QStringList({"COM12", "38400", "08"}));
    EXPECT_TRUE(rig.hub.open_.isEmpty());
    EXPECT_EQ(settings(), "<no file>");
    form->Close->click();
    EXPECT_EQ(settings(), QByteArray("COM12\r\n38400\r\n08\r\n"));
}

// "No Port Available!" spins a nested event loop in which the timer keeps firing; those ticks
// must not run the scan again.
TEST_F(ConnectionDialogTest, TicksDuringTheMessageDoNothing) {
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
    form->SearchNVQ->click();
    EXPECT_EQ(nestedTicks, 3);
    EXPECT_EQ(rig.prompter.messages(), QStringList({"No Port Available!", kNotFound}));
}

TEST_F(ConnectionDialogTest, ClosingTheScanWindowEndsTheScanAtOnce) {
    rig.addDevice(2, 9);
    rig.modal.scripts.append([this](QDialog& window) {
        auto& search = dynamic_cast<SearchCom&>(window);
        for (int i = 0; i < 20; ++i) {  // into the queries on port 2
            search.StatusTimer_Timer();
            settleEngines();
        }
        ASSERT_EQ(rig.hub.open_, QSet<int>{2});
        search.reject();  // Escape, or the window's frame
        EXPECT_FALSE(search.StatusTimer->isActive());
        EXPECT_TRUE(rig.hub.open_.isEmpty());
        const qsizetype written = rig.hub.wire_.size();
        search.StatusTimer_Timer();
        EXPECT_EQ(rig.hub.wire_.size(), written);
    });
    form->SearchAllNVQ->click();
    EXPECT_EQ(rig.prompter.messages(), QStringList{"No device found!"});
}

}  // namespace
