// The Linux system: optical drives are the /dev/sr* devices, commands go through SG_IO.
#pragma once

#include <map>
#include <string>

#include "platform/System.h"

struct sg_io_hdr;

// The kernel calls the Linux system makes, so that tests can stand in for the kernel.
class LinuxKernel {
public:
    virtual ~LinuxKernel() = default;
    virtual int Open(const char* path, int flags) = 0;  // a descriptor, or -errno
    virtual void Close(int fd) = 0;
    virtual int SgIo(int fd, sg_io_hdr* header) = 0;     // 0, or -errno
    virtual void LoadSgModule() = 0;                     // modprobe sg, where allowed
};

// The kernel itself.
class RealLinuxKernel : public LinuxKernel {
public:
    int Open(const char* path, int flags) override;
    void Close(int fd) override;
    int SgIo(int fd, sg_io_hdr* header) override;
    void LoadSgModule() override;
};

class LinuxSystem : public System {
public:
    // `sysRoot` and `devRoot` are "/sys" and "/dev" but for tests.
    LinuxSystem(LinuxKernel& kernel, std::string sysRoot = "/sys", std::string devRoot = "/dev");
    ~LinuxSystem() override;

    uint32_t GetLogicalDriveStringsA(uint32_t bufferLength, char* buffer) override;
    uint32_t GetDriveTypeA(const char* rootPath) override;
    void DevicePathOfRoot(const char* rootPath, char* path, size_t pathSize) override;
    std::string DisplayRoot(const char* rootPath) override;
    std::string AccessProblem() override { return accessProblem; }
    SysHandle CreateFileA(const char* path) override;
    bool CloseHandle(SysHandle handle) override;
    bool DeviceIoControl(SysHandle device, uint32_t controlCode, void* inBuffer, uint32_t inSize,
                         void* outBuffer, uint32_t outSize, uint32_t* bytesReturned) override;
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
    // SG_IO is a pass-through as on the NT family.
    uint32_t GetVersionPlatformId() override { return kPlatformWin32Nt; }
    SysHandle RegOpenKeyExA(RegistryRoot root, const char* subKey, uint32_t access) override { return 0; }
    bool RegQueryValueExA(SysHandle key, const char* name, uint8_t* data, uint32_t* size) override { return false; }
    void RegCloseKey(SysHandle key) override {}
    bool GetModuleFileNameA(char* path, size_t pathSize) override;
    // There is no version resource on Linux: the version is the build's.
    bool GetFileVersion(const char* path, uint32_t* versionMs, uint32_t* versionLs) override;
    void MessageBoxA(const char* text, const char* caption, uint32_t flags) override;

private:
    struct OpenDevice {
        int fd;
        std::string name;  // "sr0"
        std::string node;  // the node the commands go through
    };
    std::string SgNodeOf(const std::string& name);
    bool PassThrough(OpenDevice& device, void* block, uint32_t inSize, uint32_t outSize, uint32_t* bytesReturned);
    void Refused(const std::string& what);

    LinuxKernel& kernel;
    std::string sysRoot, devRoot;
    std::map<SysHandle, OpenDevice> devices;
    SysHandle nextHandle = 0x100;
    bool sgModuleTried = false;
    std::string accessProblem;
};
