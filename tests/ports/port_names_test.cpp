#include <gtest/gtest.h>

#include "support/qt_printers.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "ports/port_names.h"

TEST(PortNames, ALinkInThePortsFolderWinsOverTheSerialDefault) {
    QTemporaryDir config;
    const QByteArray saved = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());

    EXPECT_EQ(portDevicePath(1), "/dev/ttyS0");
    EXPECT_EQ(portDevicePath(12), "/dev/ttyS11");

    QDir().mkpath(portsFolder());
    EXPECT_TRUE(portsFolder().startsWith(config.path()));
    ASSERT_TRUE(QFile::link("/dev/null", portsFolder() + "/com12"));
    EXPECT_EQ(portDevicePath(12), portsFolder() + "/com12");
    EXPECT_EQ(portDevicePath(1), "/dev/ttyS0");  // com1 has no link
    EXPECT_EQ(portDevicePath(2), "/dev/ttyS1");  // nor does com2 ("com12" is not "com1"+"2")
    // The adapter behind com3 is unplugged: com3 stays the link, it does not become ttyS2.
    ASSERT_TRUE(QFile::link(config.filePath("ttyUSB-unplugged"), portsFolder() + "/com3"));
    EXPECT_EQ(portDevicePath(3), portsFolder() + "/com3");

    saved.isNull() ? qunsetenv("XDG_CONFIG_HOME") : qputenv("XDG_CONFIG_HOME", saved);
}
