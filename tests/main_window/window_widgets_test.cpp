#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <functional>
#include <memory>

#include "connect/search_com.h"
#include "connect/select_com_form.h"
#include "main_window/main_control_form.h"
#include "setup/setup_parameters.h"
#include "support/sim_rig.h"
#include "terminal/terminal_form.h"
#include "widgets/prompter.h"

namespace {

// Every window has its caption. Every control a window builds belongs to it: a control left
// without a parent would be a hidden window of its own that findChild cannot reach and nothing
// ever deletes, once for every time the window is opened.
TEST(WindowWidgets, EveryWindowHasItsCaptionAndTakesAllItsControlsWithIt) {
    SimRig rig;
    rig.addDevice(1, 1);
    const auto services = rig.services();
    QTemporaryDir dir;
    const std::pair<QString, std::function<std::unique_ptr<QWidget>()>> cases[] = {
        {"NVQ-CAN d108", [&] { return std::make_unique<MainControlForm>(services); }},
        {"Setup Parameters", [&] { return std::make_unique<SetupParameters>(services); }},
        {"Terminal", [&] { return std::make_unique<TerminalForm>(services); }},
        {"Search NVQ Device", [&] { return std::make_unique<SearchCom>(services); }},
        {"NVQ-CAN d108",  // the connection dialog
         [&] { return std::make_unique<SelectComForm>(services, dir.filePath("nvq-can.ini")); }},
    };
    for (const auto& [caption, make] : cases) {
        const qsizetype before = QApplication::allWidgets().size();
        std::unique_ptr<QWidget> window = make();
        const std::string name = window->metaObject()->className();
        EXPECT_EQ(window->windowTitle(), caption) << name;
        window.reset();
        EXPECT_EQ(QApplication::allWidgets().size(), before) << name;
    }
}

// A message names files and quotes devices: its box shows the text as it is, never as markup,
// its lines broken where the message breaks them.
TEST(WindowWidgets, MessageBoxesShowTheirTextAsItIs) {
    MessageBoxPrompter prompter;
    for (const bool question : {false, true}) {
        QString shown;
        Qt::TextFormat format = Qt::AutoText;
        // Runs once the box is up: reads it and answers it.
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            ASSERT_NE(box, nullptr);
            shown = box->text();
            format = box->textFormat();
            box->button(question ? QMessageBox::Yes : QMessageBox::Ok)->click();
        });
        const QString message = "Cannot open <b>a.par</b>\rV3 & <i>";
        if (question) {
            EXPECT_TRUE(prompter.ask(message));
        } else {
            prompter.info(message);
        }
        EXPECT_EQ(format, Qt::PlainText);
        EXPECT_EQ(shown, "Cannot open <b>a.par</b>\nV3 & <i>");
    }
}
}  // namespace
