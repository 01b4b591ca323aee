// The Linux system: optical drives are the /dev/sr* devices, commands go through SG_IO.
#pragma once

#include <map>
#include <string>

#include "platform/linux/LinuxHost.h"

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

class LinuxSystem : public LinuxHost {
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
