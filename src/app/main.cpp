#include <QApplication>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>

#include "connect/select_com_form.h"
#include "link/qt_serial_port.h"
#include "link/system_port.h"
#include "ports/port_inventory.h"
#include "widgets/modal_runner.h"
#include "widgets/prompter.h"
#include "widgets/window_services.h"

namespace {

const char kHelp[] = R"(Usage: nvq-can-setup [--help] [--version]
Sets up and tests NVQ-CAN motion controllers over RS-232 or an RS-485 bus: finds a device,
shows it live, jogs, homes and moves it, edits its configuration, saves it to parameter files
and stores it in the device's flash. Opens the connection dialog; the choices of the dialog
are kept in nvq-can.ini in the current folder.

COMn is the link comN in the folder nvq-can-setup/ports of $XDG_CONFIG_HOME (~/.config) when
it exists, else /dev/ttyS<N-1>; "Ports..." in the dialog gives COM numbers to USB adapters.
nvq-can does the same work from scripts; nvq-can-sim is a simulated controller.

Options:
  --help     this text
  --version  the version
)";

// The two options a packaged program answers without a window, so that they also work where
// there is no display; nothing when the program is to start.
std::optional<int> answeredWithoutWindow(int argc, char* argv[]) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            fputs(kHelp, stdout);
            return 0;
        }
        if (std::strcmp(argv[i], "--version") == 0) {
            puts("nvq-can-setup " NVQ_VERSION);
            return 0;
        }
    }
    return std::nullopt;
}

}  // namespace

int main(int argc, char* argv[]) {
    if (const auto code = answeredWithoutWindow(argc, argv)) {
        return *code;
    }
    quietSerialNotifierWarnings();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("NVQ-CAN Setup"));
    // Ties the windows to the installed desktop entry (its icon in the task bar on Wayland).
    QGuiApplication::setDesktopFileName(QStringLiteral("org.nvqcan.Setup"));

    MessageBoxPrompter prompter;
    ExecModalRunner modal;
    SystemPortInventory inventory;
    const WindowServices services{[] { return std::make_unique<SystemSerialPort>(); }, &prompter,
                                  &modal, &inventory};
    SelectComForm dialog(services);
    dialog.show();
    return app.exec();
}
