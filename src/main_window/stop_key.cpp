#include "main_window/stop_key.h"

#include "main_window/main_session.h"

void StopKey::pressed() {
    // Through the window's own exchange: a silent device shows as it does for any command.
    session_.stop([](MainLine& m) {
        if (m.values.ComPortStatus) {
            m.SendReceive(QStringLiteral("ABORT"));
        }
    });
}
