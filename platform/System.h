// The system seam: everything the program needs from the operating system, and nothing more.
//
// Porting contract. An implementation provides the calls below with the meaning the Windows
// API gives the function of the same name (the A variants where there are two). The portable
// code (device/, commands/, erase/, app/, sysinfo/) never includes an operating-system header
// and reaches the system only through this class; it fills the pass-through and ASPI request
// blocks of ScsiStructures.h itself, so an implementation must decode those exactly as the
// Windows SCSI port driver and an ASPI for Win32 manager would. An implementation may answer
// "not available" to anything its platform lacks (no registry, no ASPI manager): the portable
// code treats that as the Windows system treats a missing key or library.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

// A handle of any kind the system hands out. kInvalidHandle is what CreateFileA returns on
// failure; 0 is the failure value of the calls that return modules, events and keys.
using SysHandle = std::uintptr_t;
constexpr SysHandle kInvalidHandle = ~SysHandle(0);

// An entry point resolved by GetProcAddress, only ever called back through the matching Call*
// operation of the system that resolved it.
using ProcAddress = void*;

constexpr uint32_t kDriveCdrom = 5;             // GetDriveTypeA: DRIVE_CDROM
constexpr uint32_t kPlatformWin32Windows = 1;   // VER_PLATFORM_WIN32_WINDOWS (the older family)
constexpr uint32_t kPlatformWin32Nt = 2;        // VER_PLATFORM_WIN32_NT
constexpr uint32_t kWaitObject0 = 0;            // WAIT_OBJECT_0
constexpr uint32_t kWaitTimeout = 258;          // WAIT_TIMEOUT
constexpr uint32_t kMbIconError = 0x10;         // MB_ICONERROR (with MB_OK, 0)
constexpr uint32_t kKeyRead = 0x20019;          // KEY_READ
constexpr uint32_t kKeyAllAccess = 0xF003F;     // KEY_ALL_ACCESS

enum class RegistryRoot { DynData };  // HKEY_DYN_DATA, the only root the program opens

// The application's message pump, installed by whichever window layer runs the program.
class MessagePump {
public:
    virtual ~MessagePump() = default;
    // Dispatch the window messages that are pending now, then return.
    virtual void ProcessMessages() = 0;
    // Block until a window message arrives or `milliseconds` have passed, whichever is first.
    virtual void WaitForMessage(uint32_t milliseconds) = 0;
};

class System {
public:
    virtual ~System() = default;

    // Logical drives.
    virtual uint32_t GetLogicalDriveStringsA(uint32_t bufferLength, char* buffer) = 0;
    virtual uint32_t GetDriveTypeA(const char* rootPath) = 0;
    // The device path of a drive root, written into `path` (size `pathSize`, NUL-terminated):
    // "\\.\" and the first two characters of the root on Windows.
    virtual void DevicePathOfRoot(const char* rootPath, char* path, size_t pathSize) = 0;

    // How the drive list shows a root: its first two characters ("D:") on Windows.
    virtual std::string DisplayRoot(const char* rootPath) { return std::string(rootPath, strnlen(rootPath, 2)); }
    // Why the system could not reach a drive, in words for the user ("/dev/sg1: permission
    // denied ..."); empty when nothing was refused. Shown instead of a message that would
    // blame the drive or its absence.
    virtual std::string AccessProblem() { return {}; }

    // Device handles: opened for reading and writing, shared for both, existing only.
    virtual SysHandle CreateFileA(const char* path) = 0;
    virtual bool CloseHandle(SysHandle handle) = 0;
    virtual bool DeviceIoControl(SysHandle device, uint32_t controlCode, void* inBuffer,
                                 uint32_t inSize, void* outBuffer, uint32_t outSize,
                                 uint32_t* bytesReturned) = 0;

    // Run-time libraries and the three entry points the program resolves in them.
    virtual SysHandle LoadLibraryA(const char* name) = 0;
    virtual SysHandle GetModuleHandleA(const char* name) = 0;
    virtual ProcAddress GetProcAddress(SysHandle module, const char* name) = 0;
    virtual bool FreeLibrary(SysHandle module) = 0;
    virtual uint32_t CallGetASPI32SupportInfo(ProcAddress entry) = 0;
    virtual uint32_t CallSendASPI32Command(ProcAddress entry, void* requestBlock) = 0;
    virtual bool CallIsWow64Process(ProcAddress entry, bool* isWow64) = 0;

    // Events, waits and sleep.
    virtual SysHandle CreateEventA() = 0;  // unnamed, manual reset, not signalled; 0 on failure
    virtual uint32_t WaitForSingleObject(SysHandle handle, uint32_t milliseconds) = 0;
    virtual void Sleep(uint32_t milliseconds) = 0;

    // The performance counter.
    virtual bool QueryPerformanceFrequency(int64_t* frequency) = 0;
    virtual bool QueryPerformanceCounter(int64_t* count) = 0;
    // Milliseconds since start-up, the coarse clock of systems without a performance counter.
    virtual uint32_t GetTickCount() = 0;

    // Operating-system facts.
    virtual uint32_t GetVersionPlatformId() = 0;  // dwPlatformId of GetVersionExA

    // Registry.
    virtual SysHandle RegOpenKeyExA(RegistryRoot root, const char* subKey, uint32_t access) = 0;
    virtual bool RegQueryValueExA(SysHandle key, const char* name, uint8_t* data,
                                  uint32_t* size) = 0;
    virtual void RegCloseKey(SysHandle key) = 0;

    // The running program file and its version resource: the fixed file version's two double
    // words. False when the file has no version block.
    virtual bool GetModuleFileNameA(char* path, size_t pathSize) = 0;
    virtual bool GetFileVersion(const char* path, uint32_t* versionMs, uint32_t* versionLs) = 0;

    // A plain system message box with no owner window and one OK button.
    virtual void MessageBoxA(const char* text, const char* caption, uint32_t flags) = 0;

    // The application's message pump. Without an installed pump there are no window messages:
    // ProcessMessages does nothing and WaitForMessage sleeps.
    void SetMessagePump(MessagePump* pump) { messagePump = pump; }
    virtual void ProcessMessages() {
        if (messagePump) messagePump->ProcessMessages();
    }
    virtual void WaitForMessage(uint32_t milliseconds) {
        if (messagePump) messagePump->WaitForMessage(milliseconds);
        else Sleep(milliseconds);
    }

protected:
    MessagePump* messagePump = nullptr;
};
