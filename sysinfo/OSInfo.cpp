#include "sysinfo/OSInfo.h"

#include <cstdio>

namespace {
// Reading this value under StartStat or StopStat starts or stops the older family's CPU
// statistics; the program never reads a figure, it only keeps the counters balanced.
constexpr const char* kCpuUsageValue = "KERNEL\\CPUUsage";

void ReadCpuUsage(System& system, SysHandle key) {
    uint8_t data[4] = {};
    uint32_t size = sizeof data;
    system.RegQueryValueExA(key, kCpuUsageValue, data, &size);
}
}  // namespace

OSInfo::OSInfo(System& system) : system(system) {
    DetectPlatform();
    if (isNT) return;
    SysHandle start = system.RegOpenKeyExA(RegistryRoot::DynData, "PerfStats\\StartStat", kKeyAllAccess);
    if (!start) return;
    ReadCpuUsage(system, start);
    system.RegCloseKey(start);
    statKey = system.RegOpenKeyExA(RegistryRoot::DynData, "PerfStats\\StatData", kKeyRead);
}

OSInfo::~OSInfo() {
    if (isNT) return;
    if (statKey) system.RegCloseKey(statKey);
    statKey = 0;
    SysHandle stop = system.RegOpenKeyExA(RegistryRoot::DynData, "PerfStats\\StopStat", kKeyAllAccess);
    if (!stop) return;
    ReadCpuUsage(system, stop);
    system.RegCloseKey(stop);
}

void OSInfo::DetectPlatform() {
    isNT = system.GetVersionPlatformId() == kPlatformWin32Nt;
}

bool OSInfo::IsWow64() {
    ProcAddress isWow64Process = system.GetProcAddress(system.GetModuleHandleA("kernel32"), "IsWow64Process");
    if (!isWow64Process) return false;
    bool wow64 = false;
    system.CallIsWow64Process(isWow64Process, &wow64);
    return wow64;
}

std::string OSInfo::GetFileVersionText() {
    char path[1024] = {};
    uint32_t ms = 0, ls = 0;
    if (!system.GetModuleFileNameA(path, sizeof path) || !system.GetFileVersion(path, &ms, &ls)) return {};
    char text[32];
    std::snprintf(text, sizeof text, "%u.%u.%u", ms >> 16, ms & 0xFFFF, ls >> 16);
    return text;
}
