// The real Windows system.
//
// Porting contract: every call goes straight to the Win32 function of the same name (the A
// variants), so the pass-through and ASPI request blocks reach the SCSI port driver and the
// ASPI manager exactly as the portable code laid them out. Handles cross the seam unchanged:
// INVALID_HANDLE_VALUE is kInvalidHandle, NULL is 0. The ASPI entry points are called with the
// __cdecl convention ASPI for Win32 publishes; IsWow64Process with WINAPI. HKEY_DYN_DATA exists
// on the older family only; on the NT family opening it simply fails.
#include "platform/windows/WindowsSystem.h"

#include <windows.h>

#include <cstdio>
#include <vector>

#ifndef HKEY_DYN_DATA
#define HKEY_DYN_DATA ((HKEY)(ULONG_PTR)0x80000006)
#endif

namespace {

// The size the older family's GetVersionExA insists on; the extended structure would fail there.
static_assert(sizeof(OSVERSIONINFOA) == 148);
static_assert(sizeof(SysHandle) == sizeof(HANDLE));

using GetASPI32SupportInfoFn = DWORD(__cdecl*)(void);
using SendASPI32CommandFn = DWORD(__cdecl*)(void*);
using IsWow64ProcessFn = BOOL(WINAPI*)(HANDLE, PBOOL);

HANDLE ToHandle(SysHandle handle) { return reinterpret_cast<HANDLE>(handle); }
SysHandle FromHandle(HANDLE handle) { return reinterpret_cast<SysHandle>(handle); }
HMODULE ToModule(SysHandle module) { return reinterpret_cast<HMODULE>(module); }
HKEY ToKey(SysHandle key) { return reinterpret_cast<HKEY>(key); }

HKEY RootKey(RegistryRoot root) {
    switch (root) {
    case RegistryRoot::DynData:
        return HKEY_DYN_DATA;
    }
    return nullptr;
}

// Win32 takes DWORD sizes; a larger buffer is simply offered as its first 4 GiB.
DWORD ClampToDword(size_t size) { return size > MAXDWORD ? MAXDWORD : static_cast<DWORD>(size); }

}  // namespace

uint32_t WindowsSystem::GetLogicalDriveStringsA(uint32_t bufferLength, char* buffer) {
    return ::GetLogicalDriveStringsA(bufferLength, buffer);
}

uint32_t WindowsSystem::GetDriveTypeA(const char* rootPath) { return ::GetDriveTypeA(rootPath); }

void WindowsSystem::DevicePathOfRoot(const char* rootPath, char* path, size_t pathSize) {
    if (pathSize == 0) return;
    std::snprintf(path, pathSize, "\\\\.\\%.2s", rootPath);
}

SysHandle WindowsSystem::CreateFileA(const char* path) {
    HANDLE handle = ::CreateFileA(path, GENERIC_READ | GENERIC_WRITE,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                                  nullptr);
    return handle == INVALID_HANDLE_VALUE ? kInvalidHandle : FromHandle(handle);
}

bool WindowsSystem::CloseHandle(SysHandle handle) { return ::CloseHandle(ToHandle(handle)) != 0; }

bool WindowsSystem::DeviceIoControl(SysHandle device, uint32_t controlCode, void* inBuffer,
                                    uint32_t inSize, void* outBuffer, uint32_t outSize,
                                    uint32_t* bytesReturned) {
    // Without an OVERLAPPED structure Windows requires somewhere to write the byte count.
    DWORD returned = 0;
    BOOL ok = ::DeviceIoControl(ToHandle(device), controlCode, inBuffer, inSize, outBuffer, outSize,
                                &returned, nullptr);
    if (bytesReturned) *bytesReturned = returned;
    return ok != 0;
}

SysHandle WindowsSystem::LoadLibraryA(const char* name) {
    return reinterpret_cast<SysHandle>(::LoadLibraryA(name));
}

SysHandle WindowsSystem::GetModuleHandleA(const char* name) {
    return reinterpret_cast<SysHandle>(::GetModuleHandleA(name));
}

ProcAddress WindowsSystem::GetProcAddress(SysHandle module, const char* name) {
    return reinterpret_cast<ProcAddress>(::GetProcAddress(ToModule(module), name));
}

bool WindowsSystem::FreeLibrary(SysHandle module) { return ::FreeLibrary(ToModule(module)) != 0; }

uint32_t WindowsSystem::CallGetASPI32SupportInfo(ProcAddress entry) {
    // An unresolved entry answers as a manager that cannot be initialised, never as a crash.
    if (!entry) return 0;
    return reinterpret_cast<GetASPI32SupportInfoFn>(entry)();
}

uint32_t WindowsSystem::CallSendASPI32Command(ProcAddress entry, void* requestBlock) {
    if (!entry) return 0;
    return reinterpret_cast<SendASPI32CommandFn>(entry)(requestBlock);
}

bool WindowsSystem::CallIsWow64Process(ProcAddress entry, bool* isWow64) {
    BOOL flag = FALSE;
    BOOL ok = entry ? reinterpret_cast<IsWow64ProcessFn>(entry)(::GetCurrentProcess(), &flag) : FALSE;
    if (isWow64) *isWow64 = ok && flag;
    return ok != 0;
}

SysHandle WindowsSystem::CreateEventA() {
    return FromHandle(::CreateEventA(nullptr, TRUE, FALSE, nullptr));
}

uint32_t WindowsSystem::WaitForSingleObject(SysHandle handle, uint32_t milliseconds) {
    return ::WaitForSingleObject(ToHandle(handle), milliseconds);
}

void WindowsSystem::Sleep(uint32_t milliseconds) { ::Sleep(milliseconds); }

bool WindowsSystem::QueryPerformanceFrequency(int64_t* frequency) {
    LARGE_INTEGER value{};
    BOOL ok = ::QueryPerformanceFrequency(&value);
    *frequency = ok ? value.QuadPart : 0;
    return ok != 0;
}

bool WindowsSystem::QueryPerformanceCounter(int64_t* count) {
    LARGE_INTEGER value{};
    BOOL ok = ::QueryPerformanceCounter(&value);
    *count = ok ? value.QuadPart : 0;
    return ok != 0;
}

uint32_t WindowsSystem::GetTickCount() { return ::GetTickCount(); }

uint32_t WindowsSystem::GetVersionPlatformId() {
    OSVERSIONINFOA info{};
    info.dwOSVersionInfoSize = sizeof(info);
    ::GetVersionExA(&info);  // On failure dwPlatformId stays 0, which is not the NT family.
    return info.dwPlatformId;
}

SysHandle WindowsSystem::RegOpenKeyExA(RegistryRoot root, const char* subKey, uint32_t access) {
    HKEY key = nullptr;
    if (::RegOpenKeyExA(RootKey(root), subKey, 0, access, &key) != ERROR_SUCCESS) return 0;
    return reinterpret_cast<SysHandle>(key);
}

bool WindowsSystem::RegQueryValueExA(SysHandle key, const char* name, uint8_t* data,
                                     uint32_t* size) {
    DWORD type = 0;
    DWORD length = *size;
    LONG status = ::RegQueryValueExA(ToKey(key), name, nullptr, &type, data, &length);
    *size = length;
    return status == ERROR_SUCCESS;
}

void WindowsSystem::RegCloseKey(SysHandle key) { ::RegCloseKey(ToKey(key)); }

bool WindowsSystem::GetModuleFileNameA(char* path, size_t pathSize) {
    if (pathSize == 0) return false;
    DWORD capacity = ClampToDword(pathSize);
    DWORD length = ::GetModuleFileNameA(nullptr, path, capacity);
    // Windows XP leaves a truncated name unterminated; a truncated path names no file anyway.
    if (length == 0 || length >= capacity) {
        path[0] = '\0';
        return false;
    }
    return true;
}

bool WindowsSystem::GetFileVersion(const char* path, uint32_t* versionMs, uint32_t* versionLs) {
    DWORD ignored = 0;
    DWORD size = ::GetFileVersionInfoSizeA(path, &ignored);
    if (size == 0) return false;
    std::vector<unsigned char> block(size);
    if (!::GetFileVersionInfoA(path, 0, size, block.data())) return false;
    void* value = nullptr;
    UINT valueSize = 0;
    if (!::VerQueryValueA(block.data(), "\\", &value, &valueSize) || !value ||
        valueSize < sizeof(VS_FIXEDFILEINFO))
        return false;
    const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(value);
    *versionMs = fixed->dwFileVersionMS;
    *versionLs = fixed->dwFileVersionLS;
    return true;
}

void WindowsSystem::MessageBoxA(const char* text, const char* caption, uint32_t flags) {
    ::MessageBoxA(nullptr, text, caption, MB_OK | flags);
}
