// What IsWow64Process must say for this test program: only a 32-bit build on a 64-bit Windows
// runs under emulation.
#pragma once

#include <windows.h>

inline bool ExpectedWow64() {
    if (sizeof(void*) == 8) return false;
    SYSTEM_INFO native{};
    ::GetNativeSystemInfo(&native);
    return native.wProcessorArchitecture != PROCESSOR_ARCHITECTURE_INTEL;
}
