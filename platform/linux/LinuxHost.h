// What a system on a Linux host offers besides its drives: time, sleep, the program file and
// its version, messages on standard error. There is no ASPI manager, registry or version
// resource on Linux; those calls answer "not available". Commands go out as through a
// pass-through, as on the NT family.
#pragma once

#include "platform/System.h"

class LinuxHost : public System {
public:
    SysHandle LoadLibraryA(const char* name) override { return 0; }
    SysHandle GetModuleHandleA(const char* name) override { return 0; }
    ProcAddress GetProcAddress(SysHandle module, const char* name) override { return nullptr; }
    bool FreeLibrary(SysHandle module) override { return false; }
    uint32_t CallGetASPI32SupportInfo(ProcAddress entry) override { return 0; }
    uint32_t CallSendASPI32Command(ProcAddress entry, void* requestBlock) override { return 0; }
    bool CallIsWow64Process(ProcAddress entry, bool* isWow64) override { return false; }
    SysHandle CreateEventA() override { return 0; }
    uint32_t WaitForSingleObject(SysHandle handle, uint32_t milliseconds) override;
    void Sleep(uint32_t milliseconds) override;
    bool QueryPerformanceFrequency(int64_t* frequency) override;
    bool QueryPerformanceCounter(int64_t* count) override;
    uint32_t GetTickCount() override;
    uint32_t GetVersionPlatformId() override { return kPlatformWin32Nt; }
    SysHandle RegOpenKeyExA(RegistryRoot root, const char* subKey, uint32_t access) override { return 0; }
    bool RegQueryValueExA(SysHandle key, const char* name, uint8_t* data, uint32_t* size) override { return false; }
    void RegCloseKey(SysHandle key) override {}
    bool GetModuleFileNameA(char* path, size_t pathSize) override;
    // There is no version resource on Linux: the version is the build's.
    bool GetFileVersion(const char* path, uint32_t* versionMs, uint32_t* versionLs) override;
    void MessageBoxA(const char* text, const char* caption, uint32_t flags) override;
};
