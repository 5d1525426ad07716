// Who may use a device node, as the explanation of a refused open reads it from the node.
#include <gtest/gtest.h>

#include "support/qt_printers.h"

#include <sys/stat.h>
#include <QTemporaryDir>

#include "ports/device_access.h"
#include "support/file_faults.h"

namespace {

// The group may use the node only when it may both read and write it.
TEST(DeviceAccess, TheGroupMayUseANodeItMayReadAndWrite) {
    QTemporaryDir dir;
    const QString node = dir.filePath("ttyUSB0");
    ASSERT_TRUE(putFile(node, ""));
    const struct {
        mode_t mode;
        const char* shown;
        bool groupMayUse;
    } cases[] = {
        {0660, "-rw-rw----", true},  {0640, "-rw-r-----", false}, {0620, "-rw--w----", false},
        {0606, "-rw----rw-", false}, {0670, "-rw-rwx---", true},
    };
    for (const auto& c : cases) {
        ASSERT_EQ(chmod(node.toLocal8Bit().constData(), c.mode), 0);
        const auto access = nodeAccess(node);
        ASSERT_TRUE(access.has_value());
        EXPECT_EQ(access->mode, c.shown);
        EXPECT_EQ(access->groupMayUse, c.groupMayUse) << c.shown;
    }
    EXPECT_EQ(nodeAccess(dir.filePath("none")), std::nullopt);
}

}  // namespace
