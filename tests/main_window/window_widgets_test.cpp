#include <gtest/gtest.h>

#include <QApplication>
#include <QTemporaryDir>
#include <functional>
#include <memory>

#include "connect/search_com.h"
#include "connect/select_com_form.h"
#include "main_window/main_control_form.h"
#include "setup/setup_parameters.h"
#include "support/sim_rig.h"
#include "terminal/terminal_form.h"

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
}  // namespace
