#include "platform/linux/LinuxHost.h"

#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "Version.h"

namespace {
int64_t MonotonicNanos() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return int64_t(ts.tv_sec) * 1'000'000'000 + ts.tv_nsec;
}
}  // namespace

uint32_t LinuxHost::WaitForSingleObject(SysHandle, uint32_t milliseconds) {
    Sleep(milliseconds);
    return kWaitTimeout;
}

void LinuxHost::Sleep(uint32_t milliseconds) {
    timespec ts{time_t(milliseconds / 1000), long(milliseconds % 1000) * 1'000'000};
    while (nanosleep(&ts, &ts) != 0 && errno == EINTR) {
    }
}

bool LinuxHost::QueryPerformanceFrequency(int64_t* frequency) {
    *frequency = 1'000'000'000;
    return true;
}

bool LinuxHost::QueryPerformanceCounter(int64_t* count) {
    *count = MonotonicNanos();
    return true;
}

uint32_t LinuxHost::GetTickCount() { return uint32_t(MonotonicNanos() / 1'000'000); }

bool LinuxHost::GetModuleFileNameA(char* path, size_t pathSize) {
    char exe[4096];
    ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
    if (n <= 0) return false;
    exe[n] = '\0';
    std::snprintf(path, pathSize, "%s", exe);
    return true;
}

bool LinuxHost::GetFileVersion(const char* path, uint32_t* versionMs, uint32_t* versionLs) {
    *versionMs = uint32_t(NULLBURN_VERSION_MAJOR) << 16 | NULLBURN_VERSION_MINOR;
    *versionLs = uint32_t(NULLBURN_VERSION_PATCH) << 16 | NULLBURN_VERSION_TWEAK;
    return true;
}

void LinuxHost::MessageBoxA(const char* text, const char* caption, uint32_t flags) {
    std::fprintf(stderr, "%s %s\n", caption ? caption : "", text ? text : "");
}
