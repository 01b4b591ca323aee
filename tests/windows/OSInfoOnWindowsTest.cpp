// OSInfo over the real Windows system: the answers the main window and the device object get.
#include <gtest/gtest.h>

#include "Version.h"
#include "platform/windows/WindowsSystem.h"
#include "sysinfo/OSInfo.h"
#include "tests/windows/ExpectedWow64.h"

namespace {

TEST(OSInfoOnWindows, ReadsTheRealSystem) {
    WindowsSystem system;
    OSInfo info(system);
    EXPECT_EQ(info.GetFileVersionText(), NULLBURN_VERSION_TEXT);
    EXPECT_TRUE(info.IsNT());
    EXPECT_EQ(info.IsWow64(), ExpectedWow64());
}

}  // namespace
