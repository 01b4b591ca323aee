// The Linux system on a sysfs tree in a temporary folder and a stand-in for SG_IO.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <scsi/sg.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>

#include "platform/ScsiStructures.h"
#include "platform/linux/LinuxSystem.h"

namespace fs = std::filesystem;

namespace {

struct FakeKernel : LinuxKernel {
    std::map<std::string, int> openResult;  // path -> fd or -errno; unknown paths: -ENOENT
    std::map<int, std::string> opened;
    sg_io_hdr seen{};
    std::function<int(sg_io_hdr*)> sgIo = [](sg_io_hdr*) { return 0; };
    int modprobes = 0;

    int Open(const char* path, int flags) override {
        auto it = openResult.find(path);
        int fd = it == openResult.end() ? -ENOENT : it->second;
        if (fd >= 0) opened[fd] = path;
        return fd;
    }
    void Close(int fd) override { opened.erase(fd); }
    int SgIo(int fd, sg_io_hdr* h) override {
        seen = *h;
        return sgIo(h);
    }
    void LoadSgModule() override { modprobes++; }
};

// A sysfs tree with optical drives "sr0" at 2:0:0:0 (with sg1) and "sr1" at 3:0:1:0 (no sg).
struct SysTree {
    fs::path root = fs::temp_directory_path() / ("nullburn-sys-" + std::to_string(getpid()) + "-" + std::to_string(rand()));
    SysTree() {
        Drive("sr0", "2:0:0:0", "sg1");
        Drive("sr1", "3:0:1:0", "");
        fs::create_directories(root / "class/block/sda");
    }
    ~SysTree() { fs::remove_all(root); }
    void Drive(const std::string& name, const std::string& address, const std::string& sg) {
        fs::path device = root / "devices/pci0000:00/host/target" / address;
        fs::create_directories(device);
        if (!sg.empty()) fs::create_directories(device / "scsi_generic" / sg);
        fs::create_directories(root / "class/block" / name);
        fs::create_symlink(device, root / "class/block" / name / "device");
    }
    std::string Sys() const { return root.string(); }
};

TEST(LinuxSystemTest, ListsOpticalDrivesByNameAndTheirAddresses) {
    SysTree tree;
    FakeKernel kernel;
    kernel.openResult["/dev/sg1"] = 5;
    kernel.openResult["/dev/sr1"] = 6;
    LinuxSystem system(kernel, tree.Sys(), "/dev");
    char list[256];
    uint32_t n = system.GetLogicalDriveStringsA(sizeof list, list);
    EXPECT_EQ(std::string(list, n), std::string("/dev/sr0\0/dev/sr1\0", 18));
    EXPECT_EQ(system.GetDriveTypeA("/dev/sr0"), kDriveCdrom);
    EXPECT_EQ(system.DisplayRoot("/dev/sr1"), "sr1");

    struct Case {
        const char* root;
        int fd;
        uint8_t port, path, target, lun;
    } cases[] = {{"/dev/sr0", 5, 2, 0, 0, 0}, {"/dev/sr1", 6, 3, 0, 1, 0}};
    for (auto& c : cases) {
        SysHandle h = system.CreateFileA(c.root);
        ASSERT_NE(h, kInvalidHandle);
        EXPECT_TRUE(kernel.opened.count(c.fd));  // the sg node where there is one, else the sr node
        ScsiAddress a{};
        uint32_t got = 0;
        ASSERT_TRUE(system.DeviceIoControl(h, kIoctlScsiGetAddress, &a, sizeof a, &a, sizeof a, &got));
        EXPECT_EQ(a.PortNumber, c.port);
        EXPECT_EQ(a.PathId, c.path);
        EXPECT_EQ(a.TargetId, c.target);
        EXPECT_EQ(a.Lun, c.lun);
        system.CloseHandle(h);
    }
    EXPECT_TRUE(kernel.opened.empty());
    EXPECT_EQ(kernel.modprobes, 1);  // sr1 has no sg node: the driver is asked for once
}

struct PassThroughCase {
    const char* name;
    int rc;
    uint8_t status, host, driver;
    int resid;
    bool ok;
};

TEST(LinuxSystemTest, PassThroughCarriesStatusSenseAndResidual) {
    const PassThroughCase cases[] = {
        {"good", 0, 0, 0, 0, 0, true},
        {"short reply", 0, 0, 0, 0, 40, true},
        {"check condition with sense", 0, 2, 0, 0x08, 96, true},
        {"host time-out", 0, 0, 3, 0, 0, false},
        {"driver error", 0, 0, 0, 0x06, 0, false},
        {"ioctl error", -EIO, 0, 0, 0, 0, false},
    };
    for (auto& c : cases) {
        SCOPED_TRACE(c.name);
        SysTree tree;
        FakeKernel kernel;
        kernel.openResult["/dev/sg1"] = 5;
        kernel.sgIo = [&](sg_io_hdr* h) {
            h->status = c.status;
            h->host_status = c.host;
            h->driver_status = c.driver;
            h->resid = c.resid;
            if (c.status == 2) {
                h->sbp[2] = 0x05;
                h->sbp[12] = 0x24;
                h->sb_len_wr = 18;
            }
            return c.rc;
        };
        LinuxSystem system(kernel, tree.Sys(), "/dev");
        SysHandle h = system.CreateFileA("/dev/sr0");
        uint8_t data[96];
        PassThroughBlock block{};
        block.sptd.Length = sizeof(ScsiPassThroughDirect);
        block.sptd.CdbLength = 12;
        block.sptd.Cdb[0] = 0x12;
        block.sptd.DataIn = kScsiIoctlDataIn;
        block.sptd.DataTransferLength = 96;
        block.sptd.DataBuffer = data;
        block.sptd.SenseInfoLength = 18;
        block.sptd.SenseInfoOffset = offsetof(PassThroughBlock, sense);
        block.sptd.TimeOutValue = 60;
        uint32_t got = 0;
        EXPECT_EQ(system.DeviceIoControl(h, kIoctlScsiPassThroughDirect, &block, sizeof block, &block, sizeof block, &got), c.ok);
        EXPECT_EQ(kernel.seen.dxfer_direction, SG_DXFER_FROM_DEV);
        EXPECT_EQ(kernel.seen.timeout, 60000u);
        EXPECT_EQ(kernel.seen.cmd_len, 12);
        if (!c.ok) continue;
        EXPECT_EQ(block.sptd.ScsiStatus, c.status);
        EXPECT_EQ(block.sptd.DataTransferLength, uint32_t(96 - c.resid));
        EXPECT_EQ(block.sptd.SenseInfoLength, c.status == 2 ? 18 : 0);
        if (c.status == 2) {
            EXPECT_EQ(block.sense[12], 0x24);
        }
    }
}

TEST(LinuxSystemTest, RefusedAccessIsExplainedWithTheDeviceAndTheRemedy) {
    SysTree tree;
    FakeKernel kernel;
    kernel.openResult["/dev/sg1"] = -EACCES;
    kernel.openResult["/dev/sr0"] = -EACCES;
    LinuxSystem system(kernel, tree.Sys(), "/dev");
    EXPECT_EQ(system.CreateFileA("/dev/sr0"), kInvalidHandle);
    EXPECT_NE(system.AccessProblem().find("/dev/sr0"), std::string::npos);
    EXPECT_NE(system.AccessProblem().find("cdrom"), std::string::npos);

    // A refused sg node with a usable sr node is no problem yet: the commands may still pass.
    kernel.openResult["/dev/sr0"] = 8;
    LinuxSystem fallback(kernel, tree.Sys(), "/dev");
    EXPECT_NE(fallback.CreateFileA("/dev/sr0"), kInvalidHandle);
    EXPECT_EQ(fallback.AccessProblem(), "");

    kernel.openResult["/dev/sg1"] = -ENOENT;
    kernel.openResult["/dev/sr0"] = 7;
    kernel.sgIo = [](sg_io_hdr*) { return -EPERM; };
    LinuxSystem other(kernel, tree.Sys(), "/dev");
    SysHandle h = other.CreateFileA("/dev/sr0");
    ASSERT_NE(h, kInvalidHandle);
    PassThroughBlock block{};
    block.sptd.Length = sizeof(ScsiPassThroughDirect);
    block.sptd.CdbLength = 12;
    block.sptd.Cdb[0] = 0xDF;
    block.sptd.DataIn = kScsiIoctlDataUnspecified;
    EXPECT_FALSE(other.DeviceIoControl(h, kIoctlScsiPassThroughDirect, &block, sizeof block, &block, sizeof block, nullptr));
    EXPECT_NE(other.AccessProblem().find("DFh"), std::string::npos);
    EXPECT_NE(other.AccessProblem().find("CAP_SYS_RAWIO"), std::string::npos);
    EXPECT_EQ(kernel.seen.dxfer_direction, SG_DXFER_NONE);
}

TEST(LinuxSystemTest, MalformedBlocksNeverReachTheKernel) {
    SysTree tree;
    FakeKernel kernel;
    kernel.openResult["/dev/sg1"] = 5;
    int calls = 0;
    kernel.sgIo = [&](sg_io_hdr*) { return ++calls, 0; };
    LinuxSystem system(kernel, tree.Sys(), "/dev");
    SysHandle h = system.CreateFileA("/dev/sr0");
    auto valid = [] {
        PassThroughBlock b{};
        b.sptd.Length = sizeof(ScsiPassThroughDirect);
        b.sptd.CdbLength = 12;
        b.sptd.SenseInfoLength = 18;
        b.sptd.SenseInfoOffset = offsetof(PassThroughBlock, sense);
        return b;
    };
    std::function<void(PassThroughBlock&)> breakers[] = {
        [](PassThroughBlock& b) { b.sptd.Length = 10; },
        [](PassThroughBlock& b) { b.sptd.CdbLength = 17; },
        [](PassThroughBlock& b) { b.sptd.CdbLength = 0; },
        [](PassThroughBlock& b) { b.sptd.DataTransferLength = 16; },  // no buffer
        [](PassThroughBlock& b) { b.sptd.SenseInfoOffset = sizeof(PassThroughBlock); },
        [](PassThroughBlock& b) { b.sptd.DataIn = 3; },
    };
    for (auto& breakIt : breakers) {
        PassThroughBlock b = valid();
        breakIt(b);
        EXPECT_FALSE(system.DeviceIoControl(h, kIoctlScsiPassThroughDirect, &b, sizeof b, &b, sizeof b, nullptr));
    }
    EXPECT_EQ(calls, 0);
}

}  // namespace
