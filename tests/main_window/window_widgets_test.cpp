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

// Every control a window builds belongs to it: a control left without a parent would be a
// hidden window of its own that findChild cannot reach and nothing ever deletes, once for
// every time the window is opened.
TEST(WindowWidgets, EveryWindowTakesAllItsControlsWithIt) {
    SimRig rig;
    rig.addDevice(1, 1);
    const auto services = rig.services();
    QTemporaryDir dir;
    const std::pair<const char*, std::function<std::unique_ptr<QWidget>()>> cases[] = {
        {"MainControlForm", [&] { return std::make_unique<MainControlForm>(services); }},
        {"SetupParameters", [&] { return std::make_unique<SetupParameters>(services); }},
        {"TerminalForm", [&] { return std::make_unique<TerminalForm>(services); }},
        {"SearchCom", [&] { return std::make_unique<SearchCom>(services); }},
        {"SelectComForm",
         [&] { return std::make_unique<SelectComForm>(services, dir.filePath("nvq-can.ini")); }},
    };
    for (const auto& [window, make] : cases) {
        const qsizetype before = QApplication::allWidgets().size();
        make().reset();
        EXPECT_EQ(QApplication::allWidgets().size(), before) << window;
    }
}
}  // namespace
