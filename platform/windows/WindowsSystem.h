// The real Windows system behind the System seam. This header stays free of <windows.h> so
// that whoever constructs the system does not pull the Windows headers into portable code.
#pragma once

#include "platform/System.h"

class WindowsSystem : public System {
public:
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
    // The Call* operations answer 0 or false for an empty entry point instead of jumping to it.
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
};
