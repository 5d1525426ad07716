#include <QApplication>
#include <memory>

#include "connect/select_com_form.h"
#include "link/qt_serial_port.h"
#include "widgets/modal_runner.h"
#include "widgets/prompter.h"
#include "widgets/window_services.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("NVQ-CAN Setup"));

    MessageBoxPrompter prompter;
    ExecModalRunner modal;
    // The system's clock for what is timed (clockMs left empty).
    const WindowServices services{
        [] { return std::make_unique<QtSerialPort>(); }, &prompter, &modal, {}};
    SelectComForm dialog(services);
    dialog.show();
    return app.exec();
}
