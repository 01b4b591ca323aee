// System facts: the Windows family, 32-bit emulation on 64-bit Windows, the program's version.
#pragma once

#include <string>

#include "platform/System.h"

class OSInfo {
public:
    explicit OSInfo(System& system);
    ~OSInfo();
    OSInfo(const OSInfo&) = delete;
    OSInfo& operator=(const OSInfo&) = delete;

    bool IsNT() const { return isNT; }
    bool IsWow64();
    // "major.minor.release" of the running program file; empty without a version block.
    std::string GetFileVersionText();

private:
    void DetectPlatform();

    System& system;
    bool isNT = false;
    SysHandle statKey = 0;  // older family: HKEY_DYN_DATA\PerfStats\StatData, kept open
};
