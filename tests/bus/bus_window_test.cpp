// The bus window opened with the main window's "Bus" button: devices 01, 03, 05 and 42 on COM1.
#include <QDir>
#include <QElapsedTimer>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <atomic>

#include "bus/bus_window.h"
#include "bus/report_window.h"
#include "main_window/main_form_fixture.h"
#include "support/file_faults.h"
#include "support/held_line.h"

namespace {

class BusWindowTest : public MainFormTest {
  protected:
    BusWindowTest() {
        for (int id : {1, 3, 42}) {
            rig.hub.bus(1)->addDevice(id);
        }
        services.settingsFolder = dir.path();
        start(1, true);
    }

    QString listPath() const { return dir.filePath("nvq-can-bus-COM1.txt"); }

    // Clicks "Bus"; the script runs while the bus window is open.
    void openBus(const std::function<void(BusWindow&)>& script) {
        rig.modal.scripts.append([script](QDialog& d) { script(dynamic_cast<BusWindow&>(d)); });
        form->Bus->click();
        settleEngines();
    }
    // n devices' turns, each run to its end.
    static void turns(BusWindow& w, int n) {
        for (int i = 0; i < n; ++i) {
            w.PollTimer_Timer();
            settleEngines();
        }
    }
    static QString cell(BusWindow& w, const QString& id, int column) {
        const int row = int(w.Devices->ids().indexOf(id));
        return row < 0 ? "<no row>" : w.Devices->item(row, column)->text();
    }
    static QStringList probes(const QStringList& ids) { return framedEach(ids, "DN"); }
    static QStringList framedEach(const QStringList& ids, const QString& command) {
        QStringList lines;
        for (const QString& id : ids) {
            lines << "@" + id + command;
        }
        return lines;
    }
    static QStringList idsFrom(int first, int last, const QStringList& skip = {}) {
        QStringList ids;
        for (int id = first; id <= last; ++id) {
            const QString text = QString::number(id).rightJustified(2, '0');
            if (!skip.contains(text)) {
                ids << text;
            }
        }
        return ids;
    }

    QTemporaryDir dir;
};

QByteArray busFileOf(const QStringList& ids) {
    QByteArray bytes;
    for (const QString& id : ids) {
        bytes += id.toLatin1() + "\r\n";
    }
    return bytes;
}

// Without a remembered list the window looks at 01 to 09 once, lists exactly the IDs that
// answered and remembers them; the main window meanwhile has given up its port.
TEST_F(BusWindowTest, OpeningListsExactlyTheIdsOf01To09ThatAnswer) {
    rig.takeLines();
    openBus([&](BusWindow& w) {
        EXPECT_EQ(w.windowTitle(), "NVQ-CAN Bus");
        EXPECT_TRUE(form->session().PausePolling);
        EXPECT_FALSE(form->session().portOpen);
        EXPECT_EQ(w.Devices->ids(), QStringList({"01", "03", "05"}));
        // Polling starts at once with the first device's turn.
        EXPECT_EQ(rig.takeLines(), probes(idsFrom(1, 9)) + framed("01", {"ID", "VER", "DN"}));
        EXPECT_EQ(fileBytes(listPath()), "01\r\n03\r\n05\r\n");
        turns(w, 2);
        EXPECT_EQ(rig.takeLines(),
                  framed("03", {"ID", "VER", "DN"}) + framed("05", {"ID", "VER", "DN"}));
        EXPECT_EQ(cell(w, "03", BusTable::Name), "KRB03");
        EXPECT_EQ(cell(w, "03", BusTable::Identity), "Stepvane-CAN");
        EXPECT_EQ(cell(w, "03", BusTable::Version), "V340");
        EXPECT_EQ(cell(w, "03", BusTable::LineState), "OK");
        EXPECT_EQ(cell(w, "03", BusTable::Exchanges), "4");  // its DN at opening, then three
        EXPECT_TRUE(w.StatusLine->text().contains("Polling 3 devices"));
    });
    EXPECT_FALSE(form->session().PausePolling);
    EXPECT_TRUE(form->session().portOpen);
    EXPECT_EQ(values().ComAddress, "05");
}

// "Search 01-99" asks every ID not listed, one at a time, and adds what answers; "Cancel" ends it
// after the ID under way.
TEST_F(BusWindowTest, SearchFindsTheDeviceAt42AndCancelEndsIt) {
    const struct {
        const char* what;
        QByteArray cancelAfter;  // "" runs to the end
        QStringList asked;
        QStringList listed;
        const char* said;
    } cases[] = {
        {"whole",
         "",
         probes(idsFrom(2, 99, {"03", "05"})),
         {"01", "03", "05", "42"},
         "Search done: found 1 device (42)"},
        {"cancelled",
         "@20DN",
         probes(idsFrom(2, 20, {"03", "05"})),
         {"01", "03", "05"},
         "Search cancelled: found no new device"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        QFile::remove(listPath());
        openBus([&](BusWindow& w) {
            rig.takeLines();
            rig.hub.afterLine = [&](const QByteArray& line) {
                if (!c.cancelAfter.isEmpty() && line == c.cancelAfter) {
                    inWindowThread([&w] { w.Cancel->click(); });
                }
            };
            w.SearchAll->click();
            EXPECT_TRUE(w.Cancel->isVisible() && w.Progress->isVisible());
            EXPECT_FALSE(w.SearchAll->isEnabled());
            settleEngines();
            rig.hub.afterLine = nullptr;
            const QStringList lines = rig.takeLines();
            EXPECT_EQ(lines.mid(0, int(c.asked.size())), c.asked);
            EXPECT_FALSE(lines.mid(int(c.asked.size())).contains("@21DN"));
            EXPECT_EQ(w.Devices->ids(), c.listed);
            EXPECT_TRUE(w.StatusLine->text().contains(c.said))
                << w.StatusLine->text().toStdString();
            EXPECT_FALSE(w.Cancel->isVisible());
            EXPECT_TRUE(w.SearchAll->isEnabled());
            EXPECT_EQ(fileBytes(listPath()), busFileOf(c.listed));
        });
    }
}

// A remembered list is used as it is, without a look at 01-09; the user's changes (an ID typed
// and Enter, Delete on a row) replace it at once and are there at the next opening.
TEST_F(BusWindowTest, TheListIsReadBackAtTheNextOpening) {
    ASSERT_TRUE(putFile(listPath(), "03\r\n05\r\n"));
    rig.takeLines();
    openBus([&](BusWindow& w) {
        EXPECT_EQ(w.Devices->ids(), QStringList({"03", "05"}));
        EXPECT_TRUE(rig.takeLines().isEmpty());
        w.AddID->setFocus();
        w.AddID->selectAll();
        QTest::keyClicks(w.AddID, "42");
        QTest::keyClick(w.AddID, Qt::Key_Return);
        EXPECT_EQ(fileBytes(listPath()), "03\r\n05\r\n42\r\n");
        w.Devices->setFocus();
        w.Devices->setCurrentCell(0, 0);
        QTest::keyClick(w.Devices, Qt::Key_Delete);
        EXPECT_EQ(w.Devices->ids(), QStringList({"05", "42"}));
        EXPECT_EQ(fileBytes(listPath()), "05\r\n42\r\n");
    });
    openBus([&](BusWindow& w) { EXPECT_EQ(w.Devices->ids(), QStringList({"05", "42"})); });
}

// A damaged list is neither used nor overwritten: the window looks at 01-09, says why in its
// status line, and writes the file only once the user changes the list.
TEST_F(BusWindowTest, ADamagedListIsRefusedAndKeptUntilTheUserChangesTheList) {
    const struct {
        const char* what;
        std::function<bool(const QString&)> make;
        const char* why;
        bool rewritable;
    } cases[] = {
        {"not an ID", [](const QString& p) { return putFile(p, "05\r\nxx\r\n"); },
         "line 2 is not a device ID 01-99", true},
        {"listed twice", [](const QString& p) { return putFile(p, "05\r\n05\r\n"); },
         "ID 05 is listed twice", true},
        {"broadcast ID", [](const QString& p) { return putFile(p, "00\r\n"); },
         "line 1 is not a device ID 01-99", true},
        {"too long",
         [](const QString& p) { return putFile(p, QByteArray("05\r\n").repeated(100)); },
         "it holds 400 bytes, more than the 396 such a file may hold", true},
        {"a link",
         [this](const QString& p) {
             return putFile(dir.filePath("other.txt"), "05\r\n") &&
                    QFile::link(dir.filePath("other.txt"), p);
         },
         "it is a symbolic link", false},
        {"a folder", [](const QString& p) { return QDir().mkpath(p); }, "it is a folder", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        QFile::remove(listPath());
        QDir().rmdir(listPath());
        ASSERT_TRUE(c.make(listPath()));
        const QByteArray before = fileBytes(listPath());
        openBus([&](BusWindow& w) {
            EXPECT_EQ(w.Devices->ids(), QStringList({"01", "03", "05"}));
            EXPECT_TRUE(w.StatusLine->text().contains(
                QString("nvq-can-bus-COM1.txt not used: %1; looked at IDs 01-09 instead")
                    .arg(c.why)))
                << w.StatusLine->text().toStdString();
            turns(w, 3);
            EXPECT_EQ(fileBytes(listPath()), before);
            if (c.rewritable) {
                w.AddID->setValue(7);
                w.Add->click();
                EXPECT_EQ(fileBytes(listPath()), "01\r\n03\r\n05\r\n07\r\n");
                EXPECT_FALSE(w.StatusLine->text().contains("not used"));
            }
        });
        EXPECT_EQ(QFileInfo(listPath()).isSymLink(), QString(c.what) == "a link");
    }
}

// A device that falls silent shows since when it has not answered, and "OK" once it answers
// again; the others go on meanwhile.
TEST_F(BusWindowTest, ASilentDeviceShowsSinceWhenAndComesBack) {
    ASSERT_TRUE(putFile(listPath(), "01\r\n03\r\n"));
    SimDevice& three = *rig.hub.bus(1)->device(3);
    openBus([&](BusWindow& w) {
        turns(w, 12);  // each identified, then five ticks: the fifth reads the motion status
        EXPECT_EQ(cell(w, "03", BusTable::LineState), "OK");
        EXPECT_EQ(cell(w, "01", BusTable::Position), "0");
        EXPECT_EQ(cell(w, "01", BusTable::Status), "IDLE");
        // The simulated axis rests on its home switch, clear of both limits.
        QStringList lamps;
        for (int c : {BusTable::PosLimit, BusTable::Home, BusTable::NegLimit}) {
            lamps << w.Devices->item(0, c)->data(Qt::AccessibleTextRole).toString();
        }
        EXPECT_EQ(lamps, QStringList({"off", "on", "off"}));
        three.faults.silent = true;
        turns(w, 4);
        const QString state = cell(w, "03", BusTable::LineState);
        const auto match =
            QRegularExpression("^no reply since (\\d\\d:\\d\\d:\\d\\d)$").match(state);
        ASSERT_TRUE(match.hasMatch()) << state.toStdString();
        const QTime since = QTime::fromString(match.captured(1), "HH:mm:ss");
        EXPECT_LE(std::abs(since.secsTo(QTime::currentTime())), 5);
        EXPECT_EQ(cell(w, "01", BusTable::LineState), "OK");
        EXPECT_NE(cell(w, "03", BusTable::Unanswered), "0");
        three.faults.silent = false;
        turns(w, 4);
        EXPECT_EQ(cell(w, "03", BusTable::LineState), "OK");
    });
}

// "Drive" (its button, Enter on the table, a double click on a row) closes the bus window and the
// main window picks that device: its list shows it and it asks it as a pick does.
TEST_F(BusWindowTest, DriveHandsTheChosenIdToTheMainWindow) {
    const struct {
        const char* what;
        std::function<void(BusWindow&)> act;
    } cases[] = {
        {"button", [](BusWindow& w) { w.Drive->click(); }},
        {"Enter", [](BusWindow& w) { QTest::keyClick(w.Devices, Qt::Key_Return); }},
        {"double click",
         [](BusWindow& w) {
             const QRect rect = w.Devices->visualItemRect(w.Devices->item(1, BusTable::Name));
             QTest::mouseClick(w.Devices->viewport(), Qt::LeftButton, {}, rect.center());
             QTest::mouseDClick(w.Devices->viewport(), Qt::LeftButton, {}, rect.center());
         }},
    };
    ASSERT_TRUE(putFile(listPath(), "01\r\n03\r\n"));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        start(1, true);
        openBus([&](BusWindow& w) {
            turns(w, 2);
            w.Devices->setFocus();
            w.Devices->setCurrentCell(1, BusTable::Id);
            rig.takeLines();
            c.act(w);
            EXPECT_FALSE(w.isVisible());
        });
        EXPECT_EQ(form->comm.SelectedDeviceID->currentText(), "03");
        EXPECT_EQ(values().ComAddress, "03");
        EXPECT_EQ(rig.takeLines(), framed("03", {"ID", "VER", "SYNC", "SYNP"}));
    }
}

// "Stop all" and Esc pressed while a device's exchange is on the wire: ABORT to ID 00 goes out
// right after that exchange, before the next one, and every axis stops.
TEST_F(BusWindowTest, StopAllGoesOutBetweenTwoExchangesOfARunningPass) {
    const struct {
        const char* what;
        std::function<void(BusWindow&)> press;
    } cases[] = {
        {"Stop all", [](BusWindow& w) { w.StopAll->click(); }},
        {"Esc", [](BusWindow& w) { QTest::keyClick(w.Devices, Qt::Key_Escape); }},
    };
    ASSERT_TRUE(putFile(listPath(), "01\r\n03\r\n05\r\n"));
    SimBus& bus = *rig.hub.bus(1);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        openBus([&](BusWindow& w) {
            turns(w, 3);
            for (int id : {1, 5}) {
                bus.device(id)->handle("J+", rig.hub.nowMs());
            }
            rig.takeLines();
            bool pressed = false;
            rig.hub.afterLine = [&](const QByteArray& line) {
                if (!pressed && line.startsWith("@03")) {
                    pressed = true;
                    inWindowThread([&] { c.press(w); });
                }
            };
            turns(w, 3);
            rig.hub.afterLine = nullptr;
            const QStringList lines = rig.takeLines();
            const int first = int(lines.indexOf(QRegularExpression("^@03.*")));
            ASSERT_GE(first, 1);
            EXPECT_EQ(lines.mid(first - 1, 3),
                      QStringList({lines[first - 1], lines[first], "@00ABORT"}));
            EXPECT_TRUE(lines[first - 1].startsWith("@01"));
            EXPECT_EQ(lines.count("@00ABORT"), 1);
            EXPECT_TRUE(w.isVisible());
            for (int id : {1, 5}) {
                EXPECT_EQ(bus.device(id)->handle("PS", rig.hub.nowMs()), "0") << id;
            }
        });
    }
}

// A silent device's timeout runs on the line while the window's thread goes on: a timer of the
// window fires while the device's turn is held on the line.
TEST_F(BusWindowTest, TheWindowRunsItsEventsWhileASilentDevicesTurnWaits) {
    ASSERT_TRUE(putFile(listPath(), "03\r\n"));
    rig.hub.bus(1)->device(3)->faults.silent = true;
    HeldLine held{rig.hub};
    openBus([&](BusWindow& w) {
        std::atomic<bool> fired = false;
        held.arm("@03ID", [&fired] { return fired.load(); });
        w.PollTimer_Timer();
        ASSERT_TRUE(held.waitUntilHeld());
        QTimer::singleShot(0, &w, [&fired] { fired = true; });
        QElapsedTimer elapsed;
        elapsed.start();
        while (!fired && elapsed.elapsed() < HeldLine::kBoundMs) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        }
        EXPECT_TRUE(fired.load());
        ASSERT_TRUE(settleEngines());
        EXPECT_TRUE(held.endedInTime());
        EXPECT_TRUE(cell(w, "03", BusTable::LineState).startsWith("no reply since"));
    });
}

// "Diagnose" runs the doctor on the listed devices, one step a job, and shows its report; then
// polling goes on.
TEST_F(BusWindowTest, DiagnoseShowsTheReportOfTheListedDevices) {
    ASSERT_TRUE(putFile(listPath(), "01\r\n07\r\n"));  // nothing answers at 07
    openBus([&](BusWindow& w) {
        turns(w, 2);
        rig.takeLines();
        w.Diagnose->click();
        EXPECT_TRUE(w.Cancel->isVisibleTo(&w));
        settleEngines(true);
        const auto* report = w.findChild<ReportWindow*>();
        ASSERT_NE(report, nullptr);
        const QString text = report->Report->toPlainText();
        EXPECT_TRUE(text.startsWith("1 fault found:\n1. 07 does not answer\n"))
            << text.toStdString();
        EXPECT_TRUE(text.contains("  Probed 07 with DN at 19200, 38400, 57600 and 115200 baud"))
            << text.toStdString();
        // The doctor's queries; then polling again (a turn may have begun already), at the line's
        // rate.
        EXPECT_FALSE(w.Cancel->isVisibleTo(&w));
        turns(w, 2);
        settleEngines();
        ASSERT_FALSE(rig.hub.wire_.isEmpty());
        EXPECT_EQ(rig.hub.wire_.last().baud, 9600);
        const QStringList lines = rig.takeLines();
        const qsizetype polling = lines.indexOf("@01AR");
        ASSERT_GT(polling, 30) << lines.join(' ').toStdString();
        for (const QString& line : lines.mid(0, polling)) {
            EXPECT_TRUE(QRegularExpression("^@0[17](ID|VER|DN|PX|EX)$").match(line).hasMatch())
                << line.toStdString();
        }
    });
}

// The line quality columns are shown and hidden from the "Columns" menu.
TEST_F(BusWindowTest, TheColumnsMenuShowsAndHidesTheQualityColumns) {
    openBus([&](BusWindow& w) {
        QStringList entries;
        for (QAction* a : w.Columns->menu()->actions()) {
            entries << a->text();
        }
        EXPECT_EQ(entries, QStringList({"Exchanges", "Unanswered commands", "Late replies dropped",
                                        "Garbled replies", "\"$\" repeats", "Reply time p50 (ms)",
                                        "Reply time p95 (ms)", "Reply time max (ms)"}));
        w.Columns->menu()->actions()[3]->trigger();
        EXPECT_TRUE(w.Devices->isColumnHidden(BusTable::Garbled));
        EXPECT_FALSE(w.Devices->isColumnHidden(BusTable::Late));
        w.Columns->menu()->actions()[3]->trigger();
        EXPECT_FALSE(w.Devices->isColumnHidden(BusTable::Garbled));
    });
}

}  // namespace
