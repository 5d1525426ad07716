#include <QApplication>
#include <memory>

#include "connect/select_com_form.h"
#include "link/qt_serial_port.h"
#include "ports/port_inventory.h"
#include "widgets/modal_runner.h"
#include "widgets/prompter.h"
#include "widgets/window_services.h"

int main(int argc, char* argv[]) {
    quietSerialNotifierWarnings();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("NVQ-CAN Setup"));
    // Ties the windows to the installed desktop entry (its icon in the task bar on Wayland).
    QGuiApplication::setDesktopFileName(QStringLiteral("org.nvqcan.Setup"));

    MessageBoxPrompter prompter;
    ExecModalRunner modal;
    SystemPortInventory inventory;
    const WindowServices services{[] { return std::make_unique<QtSerialPort>(); }, &prompter,
                                  &modal, &inventory};
    SelectComForm dialog(services);
    dialog.show();
    return app.exec();
}
