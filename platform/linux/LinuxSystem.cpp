// The Linux system.
//
// Porting contract: the drives are the kernel's /dev/srN block devices, listed from sysfs; the
// root of a drive is its device path ("/dev/sr0") and the list shows its name ("sr0"). Each
// drive's SCSI address (host, channel, target, LUN) comes from its sysfs device link. Commands
// are carried from the pass-through block to SG_IO with the same direction, length, time-out,
// status and sense semantics, and go through the drive's /dev/sgN node where there is one:
// through /dev/srN the kernel lets an unprivileged process send only known MMC opcodes and
// refuses the vendor erase commands. A refusal by the kernel is kept, in words for the user,
// as the access problem. SG_IO's host and driver status are transport failures. There is no
// ASPI manager, registry or version resource here; those calls answer "not available".
#include "platform/linux/LinuxSystem.h"

#include <dirent.h>
#include <fcntl.h>
#include <scsi/sg.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/PassThrough.h"
#include "platform/ScsiStructures.h"

namespace {
constexpr int kDriverSense = 0x08;  // the driver status bit that says sense data came back

bool IsOpticalName(const std::string& name) {
    if (name.size() < 3 || name.compare(0, 2, "sr") != 0) return false;
    return std::all_of(name.begin() + 2, name.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::string BaseName(const std::string& path) {
    size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string ReadLink(const std::string& path) {
    char target[4096];
    ssize_t n = readlink(path.c_str(), target, sizeof target - 1);
    if (n <= 0) return {};
    target[n] = '\0';
    return target;
}

std::vector<std::string> ListDirectory(const std::string& path) {
    std::vector<std::string> names;
    if (DIR* dir = opendir(path.c_str())) {
        while (dirent* e = readdir(dir)) names.push_back(e->d_name);
        closedir(dir);
    }
    return names;
}
}  // namespace

int RealLinuxKernel::Open(const char* path, int flags) {
    int fd = ::open(path, flags | O_CLOEXEC);
    return fd < 0 ? -errno : fd;
}

void RealLinuxKernel::Close(int fd) { ::close(fd); }

int RealLinuxKernel::SgIo(int fd, sg_io_hdr* header) { return ioctl(fd, SG_IO, header) < 0 ? -errno : 0; }

void RealLinuxKernel::LoadSgModule() {
    // Only root may load a module; for anybody else this fails quietly and the sr node serves.
    if (geteuid() == 0) std::system("modprobe sg >/dev/null 2>&1");
}

LinuxSystem::LinuxSystem(LinuxKernel& kernel, std::string sysRoot, std::string devRoot)
    : kernel(kernel), sysRoot(std::move(sysRoot)), devRoot(std::move(devRoot)) {}

LinuxSystem::~LinuxSystem() {
    for (auto& d : devices) kernel.Close(d.second.fd);
}

uint32_t LinuxSystem::GetLogicalDriveStringsA(uint32_t bufferLength, char* buffer) {
    std::vector<std::string> names;
    for (auto& n : ListDirectory(sysRoot + "/class/block"))
        if (IsOpticalName(n)) names.push_back(n);
    std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        return std::atoi(a.c_str() + 2) < std::atoi(b.c_str() + 2);
    });
    std::string list;
    for (auto& n : names) list += devRoot + "/" + n + '\0';
    uint32_t needed = uint32_t(list.size() + 1);
    if (!buffer || bufferLength < needed) return needed;
    std::memcpy(buffer, list.data(), list.size());
    buffer[list.size()] = '\0';
    return uint32_t(list.size());
}

uint32_t LinuxSystem::GetDriveTypeA(const char* rootPath) {
    return rootPath && IsOpticalName(BaseName(rootPath)) ? kDriveCdrom : 1;
}

void LinuxSystem::DevicePathOfRoot(const char* rootPath, char* path, size_t pathSize) {
    std::snprintf(path, pathSize, "%s", rootPath);
}

std::string LinuxSystem::DisplayRoot(const char* rootPath) {
    return *rootPath ? BaseName(rootPath) : std::string();
}

std::string LinuxSystem::SgNodeOf(const std::string& name) {
    std::string dir = sysRoot + "/class/block/" + name + "/device/scsi_generic";
    for (int attempt = 0; attempt < 2; attempt++) {
        for (auto& n : ListDirectory(dir))
            if (n.compare(0, 2, "sg") == 0) return devRoot + "/" + n;
        if (sgModuleTried) break;
        sgModuleTried = true;
        kernel.LoadSgModule();
    }
    return {};
}

void LinuxSystem::Refused(const std::string& what) { accessProblem = what; }

SysHandle LinuxSystem::CreateFileA(const char* path) {
    std::string name = BaseName(path ? path : "");
    if (!IsOpticalName(name)) return kInvalidHandle;
    std::string sr = devRoot + "/" + name;
    std::string sg = SgNodeOf(name);
    int fd = -ENOENT;
    std::string node;
    std::string refusal;
    if (!sg.empty()) {
        fd = kernel.Open(sg.c_str(), O_RDWR | O_NONBLOCK);
        node = sg;
        if (fd == -EACCES || fd == -EPERM)
            refusal = sg + " (the SCSI generic node of " + sr + ") may not be opened for reading and writing by this "
                      "user. Add the user to the group that owns it (usually 'cdrom'), or run Nullburn as root.";
    }
    if (fd < 0) {
        fd = kernel.Open(sr.c_str(), O_RDWR | O_NONBLOCK);
        node = sr;
        if ((fd == -EACCES || fd == -EPERM) && refusal.empty())
            refusal = sr + " may not be opened for reading and writing by this user. Add the user to the group "
                      "that owns it (usually 'cdrom'), or run Nullburn as root.";
    }
    // A refusal matters only when no node could be opened; through the sr node a later
    // refusal of a command is explained when it happens.
    if (fd < 0 && !refusal.empty()) Refused(refusal);
    if (fd < 0) return kInvalidHandle;
    SysHandle h = nextHandle++;
    devices[h] = {fd, name, node};
    return h;
}

bool LinuxSystem::CloseHandle(SysHandle handle) {
    auto it = devices.find(handle);
    if (it == devices.end()) return false;
    kernel.Close(it->second.fd);
    devices.erase(it);
    return true;
}

bool LinuxSystem::DeviceIoControl(SysHandle device, uint32_t controlCode, void* inBuffer, uint32_t inSize,
                                  void* outBuffer, uint32_t outSize, uint32_t* bytesReturned) {
    if (bytesReturned) *bytesReturned = 0;
    auto it = devices.find(device);
    if (it == devices.end()) return false;
    if (controlCode == kIoctlScsiGetAddress) {
        // sysfs names the drive's SCSI device "host:channel:target:lun".
        std::string link = BaseName(ReadLink(sysRoot + "/class/block/" + it->second.name + "/device"));
        unsigned host, channel, target, lun;
        if (!outBuffer || outSize < sizeof(ScsiAddress) ||
            std::sscanf(link.c_str(), "%u:%u:%u:%u", &host, &channel, &target, &lun) != 4)
            return false;
        ScsiAddress a{};
        a.Length = sizeof a;
        a.PortNumber = uint8_t(host);
        a.PathId = uint8_t(channel);
        a.TargetId = uint8_t(target);
        a.Lun = uint8_t(lun);
        std::memcpy(outBuffer, &a, sizeof a);
        if (bytesReturned) *bytesReturned = sizeof a;
        return true;
    }
    if (controlCode != kIoctlScsiPassThroughDirect) return false;
    return PassThrough(it->second, inBuffer, inSize, outSize, bytesReturned);
}

bool LinuxSystem::PassThrough(OpenDevice& device, void* block, uint32_t inSize, uint32_t outSize,
                              uint32_t* bytesReturned) {
    // Every length and offset the caller supplied is checked before the kernel sees any of it.
    ScsiPassThroughDirect* sptd = CheckedPassThrough(block, inSize, block, outSize);
    if (!sptd) return false;

    sg_io_hdr h{};
    h.interface_id = 'S';
    if (sptd->DataTransferLength == 0) h.dxfer_direction = SG_DXFER_NONE;
    else if (sptd->DataIn == kScsiIoctlDataOut) h.dxfer_direction = SG_DXFER_TO_DEV;
    else h.dxfer_direction = SG_DXFER_FROM_DEV;
    h.cmd_len = sptd->CdbLength;
    h.cmdp = sptd->Cdb;
    h.dxferp = sptd->DataBuffer;
    h.dxfer_len = sptd->DataTransferLength;
    h.mx_sb_len = sptd->SenseInfoLength;
    h.sbp = static_cast<uint8_t*>(block) + sptd->SenseInfoOffset;
    h.timeout = sptd->TimeOutValue * 1000;  // seconds to milliseconds
    int rc = kernel.SgIo(device.fd, &h);
    if (rc == -EPERM || rc == -EACCES) {
        char opcode[8];
        std::snprintf(opcode, sizeof opcode, "%02Xh", sptd->Cdb[0]);
        Refused("The kernel refused command " + std::string(opcode) + " on " + device.node +
                ": sending it through a CD-ROM node needs the CAP_SYS_RAWIO capability. Load the SCSI generic "
                "driver (modprobe sg) and give this user read and write access to the drive's /dev/sg node, "
                "or run Nullburn as root.");
        return false;
    }
    if (rc < 0) return false;
    // The host adapter or the driver failing is a transport failure, never a completed command.
    if (h.host_status != 0 || (h.driver_status & ~kDriverSense) != 0) return false;
    int residual = std::clamp(h.resid, 0, int(h.dxfer_len));
    CompletePassThrough(*sptd, h.status, h.sbp, h.sb_len_wr, h.dxfer_len - uint32_t(residual));
    if (bytesReturned) *bytesReturned = sizeof(ScsiPassThroughDirect);
    return true;
}
