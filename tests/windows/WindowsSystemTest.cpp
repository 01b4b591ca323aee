// The real Windows system, run under Windows or Wine: each call must reach its Win32 function and
// come back in the seam's conventions (kInvalidHandle, 0 for a missing module, event or key).
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "Version.h"
#include "platform/ScsiStructures.h"
#include "platform/windows/WindowsSystem.h"
#include "tests/windows/ExpectedWow64.h"

namespace {

std::string TempPath(const char* name) {
    char dir[MAX_PATH] = {};
    DWORD length = ::GetTempPathA(sizeof dir, dir);
    EXPECT_GT(length, 0u);
    return std::string(dir) + name;
}

// A plain file of a few bytes, removed again at the end of the test.
class ScratchFile {
public:
    explicit ScratchFile(const char* name) : path(TempPath(name)) {
        std::FILE* f = std::fopen(path.c_str(), "wb");
        if (f) {
            std::fputs("no version block here", f);
            std::fclose(f);
        }
    }
    ~ScratchFile() { ::DeleteFileA(path.c_str()); }
    const std::string path;
};

TEST(WindowsSystem, RunningProgramCarriesTheProjectVersion) {
    WindowsSystem system;
    char path[MAX_PATH] = {};
    ASSERT_TRUE(system.GetModuleFileNameA(path, sizeof path));
    uint32_t ms = 0, ls = 0;
    ASSERT_TRUE(system.GetFileVersion(path, &ms, &ls));
    EXPECT_EQ(ms, uint32_t(NULLBURN_VERSION_MAJOR << 16 | NULLBURN_VERSION_MINOR));
    EXPECT_EQ(ls, uint32_t(NULLBURN_VERSION_PATCH << 16 | NULLBURN_VERSION_TWEAK));
}

TEST(WindowsSystem, FilesWithoutVersionBlockHaveNoVersion) {
    WindowsSystem system;
    ScratchFile plain("nullburn-plain.txt");
    const std::string missing = TempPath("nullburn-missing.exe");
    for (const std::string& path : {plain.path, missing}) {
        uint32_t ms = 0, ls = 0;
        EXPECT_FALSE(system.GetFileVersion(path.c_str(), &ms, &ls)) << path;
    }
}

TEST(WindowsSystem, ModuleFileNameReportsTruncation) {
    WindowsSystem system;
    struct Case {
        size_t size;
        bool ok;
    } cases[] = {{MAX_PATH, true}, {4, false}, {1, false}};
    for (const Case& c : cases) {
        char path[MAX_PATH];
        std::memset(path, 'x', sizeof path);
        EXPECT_EQ(system.GetModuleFileNameA(path, c.size), c.ok) << c.size;
        EXPECT_LT(std::strlen(path), c.size) << "unterminated with " << c.size;
        if (c.ok) {
            EXPECT_NE(std::strstr(path, "windows_system_tests"), nullptr) << path;
        }
    }
}

TEST(WindowsSystem, PlatformIsTheNtFamily) {
    WindowsSystem system;
    EXPECT_EQ(system.GetVersionPlatformId(), kPlatformWin32Nt);
}

TEST(WindowsSystem, IsWow64ProcessIsCalledForThisProcess) {
    WindowsSystem system;
    SysHandle kernel32 = system.GetModuleHandleA("kernel32");
    ASSERT_NE(kernel32, 0u);
    ProcAddress entry = system.GetProcAddress(kernel32, "IsWow64Process");
    ASSERT_NE(entry, nullptr);
    bool wow64 = !ExpectedWow64();
    EXPECT_TRUE(system.CallIsWow64Process(entry, &wow64));
    EXPECT_EQ(wow64, ExpectedWow64());
}

TEST(WindowsSystem, ModulesAndEntryPoints) {
    WindowsSystem system;
    EXPECT_EQ(system.LoadLibraryA("nullburn-no-such-library"), 0u);
    EXPECT_EQ(system.GetModuleHandleA("nullburn-not-loaded"), 0u);

    SysHandle version = system.LoadLibraryA("version");
    ASSERT_NE(version, 0u);
    EXPECT_EQ(system.GetModuleHandleA("version"), version);
    EXPECT_NE(system.GetProcAddress(version, "GetFileVersionInfoSizeA"), nullptr);
    EXPECT_EQ(system.GetProcAddress(version, "NullburnNoSuchEntry"), nullptr);
    EXPECT_TRUE(system.FreeLibrary(version));
}

// The NT family ships no ASPI manager; Wine ships one that reports no host adapters here. Where a
// manager loads, its answers must come back through the seam unchanged.
TEST(WindowsSystem, AspiManagerAnswersThroughTheSeam) {
    WindowsSystem system;
    SysHandle aspi = system.LoadLibraryA("WNASPI32");
    if (!aspi) GTEST_SKIP() << "no ASPI manager on this system";
    ProcAddress supportInfo = system.GetProcAddress(aspi, "GetASPI32SupportInfo");
    ProcAddress sendCommand = system.GetProcAddress(aspi, "SendASPI32Command");
    ASSERT_NE(supportInfo, nullptr);
    ASSERT_NE(sendCommand, nullptr);
    // Every manager reports a status in bits 8 to 15, and answers an inquiry synchronously.
    EXPECT_NE(system.CallGetASPI32SupportInfo(supportInfo) >> 8 & 0xFF, 0u);
    SrbHaInquiry inquiry{};
    inquiry.SRB_Cmd = kScHaInquiry;
    EXPECT_NE(system.CallSendASPI32Command(sendCommand, &inquiry), uint32_t(kSsPending));
    EXPECT_TRUE(system.FreeLibrary(aspi));
}

TEST(WindowsSystem, EmptyEntryPointsFailInsteadOfCrashing) {
    WindowsSystem system;
    SrbHaInquiry inquiry{};
    EXPECT_EQ(system.CallGetASPI32SupportInfo(nullptr), 0u);
    EXPECT_EQ(system.CallSendASPI32Command(nullptr, &inquiry), 0u);
    bool wow64 = true;
    EXPECT_FALSE(system.CallIsWow64Process(nullptr, &wow64));
    EXPECT_FALSE(wow64);
}

TEST(WindowsSystem, DevicePathOfRoot) {
    WindowsSystem system;
    struct Case {
        const char* root;
        size_t size;
        const char* path;
    } cases[] = {
        {"D:\\", 16, "\\\\.\\D:"},
        {"E:", 16, "\\\\.\\E:"},
        {"F:\\", 7, "\\\\.\\F:"},
        {"G:\\", 5, "\\\\.\\"},  // cut short, still terminated
    };
    for (const Case& c : cases) {
        char path[16];
        std::memset(path, 'x', sizeof path);
        system.DevicePathOfRoot(c.root, path, c.size);
        EXPECT_STREQ(path, c.path) << c.root << " in " << c.size;
    }
    char untouched[4] = {'x', 'x', 'x', 'x'};
    system.DevicePathOfRoot("H:\\", untouched, 0);
    EXPECT_EQ(untouched[0], 'x');
}

TEST(WindowsSystem, LogicalDrives) {
    WindowsSystem system;
    char list[512] = {};
    uint32_t length = system.GetLogicalDriveStringsA(sizeof list, list);
    ASSERT_GT(length, 0u);
    ASSERT_LT(length, sizeof list);
    bool hasC = false;
    for (const char* root = list; *root; root += std::strlen(root) + 1) hasC |= std::strcmp(root, "C:\\") == 0;
    EXPECT_TRUE(hasC);
    char tiny[2] = {};
    EXPECT_EQ(system.GetLogicalDriveStringsA(sizeof tiny, tiny), length + 1);

    struct Case {
        const char* root;
        uint32_t type;
    } cases[] = {{"C:\\", DRIVE_FIXED}, {"Q:\\", DRIVE_NO_ROOT_DIR}};
    for (const Case& c : cases) EXPECT_EQ(system.GetDriveTypeA(c.root), c.type) << c.root;
}

TEST(WindowsSystem, OpensExistingDevicesOnly) {
    WindowsSystem system;
    ScratchFile existing("nullburn-existing.bin");
    const std::string absent = TempPath("nullburn-absent.bin");
    ::DeleteFileA(absent.c_str());  // left over by a broken run that created it
    struct Case {
        std::string path;
        bool opens;
    } cases[] = {{existing.path, true}, {absent, false}, {"\\\\.\\Q:", false}};
    for (const Case& c : cases) {
        SysHandle handle = system.CreateFileA(c.path.c_str());
        EXPECT_EQ(handle != kInvalidHandle, c.opens) << c.path;
        EXPECT_NE(handle, 0u) << c.path;
        if (handle != kInvalidHandle) {
            EXPECT_TRUE(system.CloseHandle(handle));
        }
    }
    // Opening must never create what it was asked to open.
    EXPECT_EQ(::GetFileAttributesA(absent.c_str()), INVALID_FILE_ATTRIBUTES);
    ::DeleteFileA(absent.c_str());
}

TEST(WindowsSystem, ScsiRequestsToMissingDeviceFailCleanly) {
    WindowsSystem system;
    for (uint32_t code : {kIoctlScsiPassThroughDirect, kIoctlScsiGetAddress}) {
        PassThroughBlock block{};
        block.sptd.Length = sizeof(ScsiPassThroughDirect);
        block.sptd.CdbLength = 12;
        block.sptd.DataIn = kScsiIoctlDataUnspecified;
        block.sptd.SenseInfoLength = sizeof block.sense;
        block.sptd.SenseInfoOffset = offsetof(PassThroughBlock, sense);
        block.sptd.TimeOutValue = 60;
        uint32_t returned = 0xDEAD;
        EXPECT_FALSE(system.DeviceIoControl(kInvalidHandle, code, &block, sizeof block, &block,
                                            sizeof block, &returned))
            << std::hex << code;
        EXPECT_EQ(returned, 0u);
        EXPECT_FALSE(system.DeviceIoControl(kInvalidHandle, code, &block, sizeof block, &block,
                                            sizeof block, nullptr));
    }
}

TEST(WindowsSystem, EventsAreManualResetAndStartClear) {
    WindowsSystem system;
    SysHandle event = system.CreateEventA();
    ASSERT_NE(event, 0u);
    EXPECT_EQ(system.WaitForSingleObject(event, 0), kWaitTimeout);
    ASSERT_TRUE(::SetEvent(reinterpret_cast<HANDLE>(event)));
    EXPECT_EQ(system.WaitForSingleObject(event, 0), kWaitObject0);
    EXPECT_EQ(system.WaitForSingleObject(event, 0), kWaitObject0);  // a wait does not reset it
    EXPECT_TRUE(system.CloseHandle(event));
}

TEST(WindowsSystem, PerformanceCounter) {
    WindowsSystem system;
    int64_t frequency = 0, first = 0, second = 0;
    ASSERT_TRUE(system.QueryPerformanceFrequency(&frequency));
    EXPECT_GT(frequency, 0);
    ASSERT_TRUE(system.QueryPerformanceCounter(&first));
    ASSERT_TRUE(system.QueryPerformanceCounter(&second));
    EXPECT_GT(first, 0);
    EXPECT_GE(second, first);
}

TEST(WindowsSystem, NtFamilyHasNoDynDataStatistics) {
    WindowsSystem system;
    SysHandle key = system.RegOpenKeyExA(RegistryRoot::DynData, "PerfStats\\StartStat", kKeyAllAccess);
    if (key) system.RegCloseKey(key);
    EXPECT_EQ(key, 0u);
}

}  // namespace
