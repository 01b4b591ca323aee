// The ASPI binding, the system facts and the stopwatch, on the emulated system.
#include <gtest/gtest.h>

#include "support/ScriptedBay.h"

namespace {

struct BindCase {
    AspiManagerState state;
    std::vector<std::string> calls;  // what the system saw, in order
    bool bound;
};

TEST(AspiBinding, EachFailureShowsItsMessageAndReleasesTheLibraryAtTheRightMoment) {
    const BindCase cases[] = {
        {AspiManagerState::Working, {"LoadLibrary WNASPI32"}, true},
        {AspiManagerState::Missing,
         {"LoadLibrary WNASPI32", "MessageBox Error FS 002|LoadLibrary:\nWNASPI32.DLL not found."}, false},
        {AspiManagerState::NoSupportInfoEntry,
         {"LoadLibrary WNASPI32", "FreeLibrary WNASPI32",
          "MessageBox Error FS 003|GetProcAddress:\nGetASPI32SupportInfo not fount."}, false},
        {AspiManagerState::NoSendCommandEntry,
         {"LoadLibrary WNASPI32", "FreeLibrary WNASPI32",
          "MessageBox Error FS 004|GetProcAddress:\npfnSendASPI32Command not found."}, false},
        {AspiManagerState::StatusNoManager,
         {"LoadLibrary WNASPI32", "MessageBox GetASPISupportInfo:|Could not find the ASPI manager.",
          "FreeLibrary WNASPI32"}, false},
        {AspiManagerState::StatusRealMode,
         {"LoadLibrary WNASPI32", "MessageBox GetASPISupportInfo:|ASPI for Windows does not support real mode.",
          "FreeLibrary WNASPI32"}, false},
        {AspiManagerState::StatusOldManager,
         {"LoadLibrary WNASPI32", "MessageBox GetASPISupportInfo:|Old ASPI manager.", "FreeLibrary WNASPI32"}, false},
        {AspiManagerState::StatusOther,
         {"LoadLibrary WNASPI32", "MessageBox GetASPISupportInfo:|Error initializing ASPI.", "FreeLibrary WNASPI32"},
         false},
    };
    for (auto& c : cases) {
        EmulatedSystemConfig config;
        config.platformId = kPlatformWin32Windows;
        config.aspi = c.state;
        config.statisticsKeys = false;
        EmulatedSystem system(config);
        {
            AtapiDevice device(system);
            EXPECT_EQ(device.AspiBound(), c.bound);
            std::vector<std::string> seen;
            for (auto& call : system.calls)
                if (call.rfind("RegOpenKey", 0) != 0) seen.push_back(call);
            EXPECT_EQ(seen, c.calls);
            // Construction goes on after any failure; with no manager the table is simply empty.
            EXPECT_EQ(device.GetDriveCount(), 0);
            system.calls.clear();
        }
        // Destruction releases a bound library once, and does nothing otherwise.
        std::vector<std::string> released;
        for (auto& call : system.calls)
            if (call.rfind("FreeLibrary", 0) == 0) released.push_back(call);
        EXPECT_EQ(released.size(), c.bound ? 1u : 0u);
    }
}

TEST(AspiBinding, UnbindTwiceDoesNothingTheSecondTime) {
    EmulatedSystemConfig config;
    config.platformId = kPlatformWin32Windows;
    EmulatedSystem system(config);
    AtapiDevice device(system);
    device.UnbindAspi();
    device.UnbindAspi();
    EXPECT_EQ(std::count(system.calls.begin(), system.calls.end(), "FreeLibrary WNASPI32"), 1);
    EXPECT_FALSE(device.AspiBound());
}

TEST(AspiBinding, TimeoutsAreSentAsWholeSeconds) {
    EmulatedSystemConfig config;
    config.platformId = kPlatformWin32Windows;
    EmulatedSystem system(config);
    AtapiDevice device(system);
    device.ApplyAspiTimeouts(60.0f);
    EXPECT_EQ(system.lastAspiTimeout, 60u);
    device.ApplyAspiTimeouts(2.9f);
    EXPECT_EQ(system.lastAspiTimeout, 2u);
}

TEST(OSInfoTest, FamilyAndEmulation) {
    struct Case {
        uint32_t platformId;
        bool wow64, hasIsWow64Process;
        bool isNT, isWow64;
    } cases[] = {
        {kPlatformWin32Nt, false, true, true, false},
        {kPlatformWin32Nt, true, true, true, true},
        {kPlatformWin32Nt, true, false, true, false},  // no IsWow64Process: not emulated
        {kPlatformWin32Windows, false, false, false, false},
    };
    for (auto& c : cases) {
        EmulatedSystemConfig config;
        config.platformId = c.platformId;
        config.wow64 = c.wow64;
        config.hasIsWow64Process = c.hasIsWow64Process;
        EmulatedSystem system(config);
        OSInfo info(system);
        EXPECT_EQ(info.IsNT(), c.isNT);
        EXPECT_EQ(info.IsWow64(), c.isWow64);
    }
}

TEST(OSInfoTest, OlderFamilyStartsAndStopsTheStatistics) {
    for (bool keys : {true, false}) {
        EmulatedSystemConfig config;
        config.platformId = kPlatformWin32Windows;
        config.statisticsKeys = keys;
        EmulatedSystem system(config);
        { OSInfo info(system); }
        std::vector<std::string> expected =
            keys ? std::vector<std::string>{"RegOpenKey PerfStats\\StartStat",
                                            "RegQueryValue PerfStats\\StartStat KERNEL\\CPUUsage",
                                            "RegCloseKey PerfStats\\StartStat", "RegOpenKey PerfStats\\StatData",
                                            "RegCloseKey PerfStats\\StatData", "RegOpenKey PerfStats\\StopStat",
                                            "RegQueryValue PerfStats\\StopStat KERNEL\\CPUUsage",
                                            "RegCloseKey PerfStats\\StopStat"}
                 // Without StartStat, StatData is not opened, and StopStat is still tried.
                 : std::vector<std::string>{"RegOpenKey PerfStats\\StartStat", "RegOpenKey PerfStats\\StopStat"};
        EXPECT_EQ(system.calls, expected);
    }
    EmulatedSystem nt;
    { OSInfo info(nt); }
    EXPECT_TRUE(nt.calls.empty());
}

TEST(OSInfoTest, VersionText) {
    struct Case {
        bool hasBlock;
        uint32_t ms, ls;
        const char* text;
    } cases[] = {
        {true, 0x00010002, 0x00010000, "1.2.1"},
        {true, 0x000A0000, 0x00030007, "10.0.3"},
        {false, 0, 0, ""},
    };
    for (auto& c : cases) {
        EmulatedSystemConfig config;
        config.hasVersionBlock = c.hasBlock;
        config.versionMs = c.ms;
        config.versionLs = c.ls;
        EmulatedSystem system(config);
        OSInfo info(system);
        EXPECT_EQ(info.GetFileVersionText(), c.text);
    }
}

// Counts message pump passes, as a window would see them.
struct CountingPump : MessagePump {
    int passes = 0;
    void ProcessMessages() override { passes++; }
    void WaitForMessage(uint32_t) override {}
};

TEST(HiTimerTest, NewStopwatchReadsZero) {
    EmulatedSystem system;
    HiTimer t(system);
    EXPECT_EQ(t.ElapsedSeconds(), 0.0);
    EXPECT_EQ(t.RunningSeconds(), 0.0);
    EXPECT_GT(t.Overhead(), 0);
}

TEST(HiTimerTest, MeasurementsAddUpLessOverheadUntilReset) {
    EmulatedSystem system;
    HiTimer t(system);
    auto& clock = system.GetClock();
    t.Start(false);
    clock.Advance(2'000'000);
    t.Stop();
    t.Start(false);
    clock.Advance(500'000);
    t.Stop();
    double overhead = double(t.Overhead()) / double(t.Frequency());
    // Each counter read moves the emulated clock by a microsecond.
    EXPECT_NEAR(t.ElapsedSeconds(), 2.5 - 2 * overhead, 4e-6);
    t.Start(true);
    clock.Advance(1'000'000);
    EXPECT_NEAR(t.RunningSeconds(), 1.0, 4e-6);
    t.Stop();
    EXPECT_NEAR(t.ElapsedSeconds(), 1.0, 4e-6);
    t.Start(false);
    t.Reset();
    EXPECT_FALSE(t.IsRunning());
    EXPECT_EQ(t.ElapsedSeconds(), 0.0);
}

TEST(HiTimerTest, WaitsPumpMessagesAndEndOnTime) {
    EmulatedSystem system;
    CountingPump pump;
    system.SetMessagePump(&pump);
    HiTimer t(system);
    for (double seconds : {0.0, -1.0}) {
        t.WaitSeconds(seconds);
        EXPECT_EQ(pump.passes, 0);
    }
    int64_t before = system.GetClock().NowMicros();
    t.WaitMilliseconds(500);
    int64_t waited = system.GetClock().NowMicros() - before;
    EXPECT_GE(waited, 500'000);
    EXPECT_LT(waited, 510'000);
    EXPECT_GT(pump.passes, 0);
    EXPECT_LT(pump.passes, 5);  // it blocked until the time was up instead of spinning
    EXPECT_FALSE(t.IsRunning());
    EXPECT_NEAR(t.ElapsedSeconds(), 0.5, 0.01);
}

TEST(HiTimerTest, WithoutPerformanceCounterFallsBackToTheTickCount) {
    EmulatedSystemConfig config;
    config.performanceCounter = false;
    EmulatedSystem system(config);
    HiTimer t(system);
    EXPECT_TRUE(t.NoCounter());
    int64_t before = system.GetClock().NowMicros();
    t.WaitSeconds(2.0);
    EXPECT_GE(system.GetClock().NowMicros() - before, 2'000'000);
    EXPECT_NEAR(t.ElapsedSeconds(), 2.0, 0.01);
}

}  // namespace
