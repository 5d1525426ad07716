// Runs the tests inside a QApplication so that windows can be built offscreen.
#include <gtest/gtest.h>

#include <QApplication>

int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("NVQ-CAN Setup"));
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
