// The emulated system: a Windows-like system with a bay of emulated drives, in process.
//
// Porting contract: as for every System, the calls mean what the Windows functions of the same
// names mean. This one decodes IOCTL_SCSI_PASS_THROUGH_DIRECT, IOCTL_SCSI_GET_ADDRESS and the
// ASPI for Win32 request blocks itself and hands each command to the DriveModel behind the
// addressed drive. It can play either Windows family, 32-bit emulation on 64-bit Windows, every
// way an ASPI manager can be missing or broken, failing address queries and a missing
// performance counter. Time comes from its Clock: waits and sleeps advance a virtual clock
// instantly, so tests of two-minute waits run in milliseconds.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/ScsiStructures.h"
#include "platform/System.h"
#include "platform/emulated/DriveModel.h"

enum class AspiManagerState {
    Working,             // WNASPI32 loads, both entry points resolve, support status 01h
    Missing,             // LoadLibrary fails
    NoSupportInfoEntry,  // GetASPI32SupportInfo is not exported
    NoSendCommandEntry,  // SendASPI32Command is not exported
    StatusNoManager,     // support status E3h
    StatusRealMode,      // support status E2h
    StatusOldManager,    // support status E1h
    StatusOther,         // support status 04h
};

struct EmulatedDrive {
    std::string root;  // "D:\\"; empty for a drive that only the ASPI manager lists
    int16_t port = 1, pathId = 0, target = 0, lun = 0;
    bool addressQueryFails = false;  // IOCTL_SCSI_GET_ADDRESS fails on this drive
    bool addressLengthZero = false;  // ... or succeeds with Length 0
    bool openFails = false;          // CreateFileA on its device path fails
    std::shared_ptr<DriveModel> model;
};

struct EmulatedSystemConfig {
    uint32_t platformId = kPlatformWin32Nt;
    bool wow64 = false;             // a 32-bit process on 64-bit Windows
    bool hasIsWow64Process = true;  // kernel32 exports IsWow64Process
    AspiManagerState aspi = AspiManagerState::Working;
    bool performanceCounter = true;
    bool eventsFail = false;        // CreateEventA fails
    bool hasVersionBlock = true;
    uint32_t versionMs = 0x00010002, versionLs = 0x00010000;  // 1.2.1.0
    bool statisticsKeys = true;     // HKEY_DYN_DATA\PerfStats\... exist (older family)
    // Emulated time one command takes on the wire, on top of what the drive model lets pass.
    int64_t commandLatencyMicros = 0;
    // An ASPI request that never completes stays pending even when the program aborts it.
    bool aspiIgnoresAbort = false;
};

class EmulatedSystem : public System {
public:
    // A virtual clock unless `clock` is given (for a real-time demo or benchmark).
    explicit EmulatedSystem(EmulatedSystemConfig config = {}, std::shared_ptr<Clock> clock = nullptr);
    ~EmulatedSystem() override;

    EmulatedSystemConfig& Config() { return config; }
    Clock& GetClock() { return *clock; }
    void AddDrive(EmulatedDrive drive);
    std::vector<EmulatedDrive>& Drives() { return drives; }

    // What the system saw, for tests: one line per notable call ("LoadLibrary WNASPI32",
    // "MessageBox Error FS 002|LoadLibrary:\nWNASPI32.DLL not found.", "FreeLibrary WNASPI32",
    // "RegOpenKey PerfStats\\StartStat", ...), and the last pass-through block as received.
    std::vector<std::string> calls;
    uint8_t lastPassThrough[128] = {};
    uint32_t passThroughCount = 0;
    uint32_t aspiExecCount = 0;
    uint32_t sleepCount = 0;
    int64_t sleptMicros = 0;
    uint32_t messagePumpPasses = 0;
    uint8_t lastExecSrb[96] = {};    // the last ASPI execute request as received
    uint32_t lastAspiTimeout = 0;    // SRB_Timeout of the last get/set-timeouts request
    uint32_t aspiTimeoutRequests = 0;
    int OpenHandleCount() const;     // device handles not yet closed

    // System.
    uint32_t GetLogicalDriveStringsA(uint32_t bufferLength, char* buffer) override;
    uint32_t GetDriveTypeA(const char* rootPath) override;
    void DevicePathOfRoot(const char* rootPath, char* path, size_t pathSize) override;
    SysHandle CreateFileA(const char* path) override;
    bool CloseHandle(SysHandle handle) override;
    bool DeviceIoControl(SysHandle device, uint32_t controlCode, void* inBuffer, uint32_t inSize,
                         void* outBuffer, uint32_t outSize, uint32_t* bytesReturned) override;
    SysHandle LoadLibraryA(const char* name) override;
    SysHandle GetModuleHandleA(const char* name) override;
    ProcAddress GetProcAddress(SysHandle module, const char* name) override;
    bool FreeLibrary(SysHandle module) override;
    uint32_t CallGetASPI32SupportInfo(ProcAddress entry) override;
    uint32_t CallSendASPI32Command(ProcAddress entry, void* requestBlock) override;
    bool CallIsWow64Process(ProcAddress entry, bool* isWow64) override;
    SysHandle CreateEventA() override;
    uint32_t WaitForSingleObject(SysHandle handle, uint32_t milliseconds) override;
    void Sleep(uint32_t milliseconds) override;
    bool QueryPerformanceFrequency(int64_t* frequency) override;
    bool QueryPerformanceCounter(int64_t* count) override;
    uint32_t GetTickCount() override;
    uint32_t GetVersionPlatformId() override;
    SysHandle RegOpenKeyExA(RegistryRoot root, const char* subKey, uint32_t access) override;
    bool RegQueryValueExA(SysHandle key, const char* name, uint8_t* data, uint32_t* size) override;
    void RegCloseKey(SysHandle key) override;
    bool GetModuleFileNameA(char* path, size_t pathSize) override;
    bool GetFileVersion(const char* path, uint32_t* versionMs, uint32_t* versionLs) override;
    void MessageBoxA(const char* text, const char* caption, uint32_t flags) override;
    void ProcessMessages() override;
    void WaitForMessage(uint32_t milliseconds) override;

private:
    uint32_t AdapterCount() const;
    EmulatedDrive* AspiDrive(uint8_t adapter, uint8_t target, uint8_t lun);
    void ExecuteAspi(SrbExecScsiCmd* srb);
    void SignalAspiEvent(SrbExecScsiCmd* srb);

    struct Impl;
    EmulatedSystemConfig config;
    std::shared_ptr<Clock> clock;
    std::vector<EmulatedDrive> drives;
    std::unique_ptr<Impl> impl;
};
