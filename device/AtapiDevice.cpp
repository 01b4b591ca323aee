// The device object's drive table: construction, enumeration, ordering, identification,
// classification, selection and destruction.
#include "device/AtapiDevice.h"

#include <cstring>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#define LEFT_TO_THE_MANAGER(p) __lsan_ignore_object(p)
#else
#define LEFT_TO_THE_MANAGER(p) ((void)(p))
#endif

namespace {
// Entries 0 to 11 are padded to 9 characters so that the names line up where they are listed.
const char kDriveTypeNames[23][16] = {
    "UNKNOWN  ", "CD-ROM   ", "DVD-ROM  ", "CD-RW    ", "COMBO    ", "DVD-R    ",
    "DVD+R    ", "DVD+RW   ", "DVD-RW   ", "DVD+R/+RW", "DVD-R/-RW", "DVD DUAL ",
    "SUPER ALLWRITE", "BD", "BD-COMBO", "BD-ROM", "HD", "HD-COMBO", "HD-ROM",
    "UNI-ROM", "UNI-COMBO", "UNI-WRITER", "XBOX-DVD",
};

constexpr uint16_t kNoAddress = 0xFFFF;
}  // namespace

AtapiDevice::AtapiDevice(System& system, CommandObserver* observer)
    : system(system), osInfo(system), readinessTimer(system), observer(observer) {
    lastCommand = {};
    passThrough = {};
    isWow64 = osInfo.IsWow64() ? 1 : 0;
    wow64NoDataFix = isWow64;
    dataBuffer.reset(new uint8_t[kDataBufferSize]());
    writeBuffer.reset(new uint8_t[kDataBufferSize]());
    aspiRequest = new AspiRequest{};
    useAspi = osInfo.IsNT() ? 0 : 1;
    if (useAspi) {
        UnbindAspi();
        BindAspi();
    }
    ScanDrives();
}

AtapiDevice::~AtapiDevice() {
    if (AspiRequestStillPending()) {
        // The manager still owns the request and may write into the block and the data buffer
        // at any time: leave them and the library to it rather than free memory it will use.
        LEFT_TO_THE_MANAGER(dataBuffer.release());
        LEFT_TO_THE_MANAGER(writeBuffer.release());
        LEFT_TO_THE_MANAGER(aspiRequest);
        aspiRequest = nullptr;
        aspiModule = 0;
    }
    ReleaseBuffers();
    UnbindAspi();
    CloseDevice();
    delete aspiRequest;
}

const DriveRecord* AtapiDevice::GetDrive(unsigned index) const {
    if (index >= driveCount || index >= kMaxDrives || !drives[index].present) return nullptr;
    return &drives[index];
}

const char* AtapiDevice::DriveTypeName(uint8_t code) {
    return code < 23 ? kDriveTypeNames[code] : kDriveTypeNames[0];
}

void AtapiDevice::ScanDrives() {
    for (auto& d : drives) d = DriveRecord{};
    driveCount = 0;
    if (useAspi) EnumerateAspiDrives();
    else EnumerateSptiDrives();
    for (auto& d : drives) {
        if (!d.present) continue;
        driveCount++;
        d.viaAspi = useAspi;
    }
    CompactDrives();

    bool anyDropped = false;
    for (int i = 0; i < kMaxDrives && drives[i].present; i++) {
        DriveRecord& d = drives[i];
        SelectDrive(int16_t(i));
        bool identified = false;
        for (int attempt = 0; attempt < 10 && !identified; attempt++) identified = IdentifyDrive();
        if (identified) {
            std::memset(d.idText, 0, sizeof d.idText);
            std::memcpy(d.idText, vendor, 8);
            std::memcpy(d.idText + 8, product, 16);
            std::memcpy(d.vendor, vendor, sizeof d.vendor);
            std::memcpy(d.product, product, sizeof d.product);
            std::memcpy(d.revision, revision, sizeof d.revision);
            std::memcpy(d.vendorSpecific, vendorSpecific, sizeof d.vendorSpecific);
            d.vendorMode = vendorMode;
        } else {
            d.present = 0;
            anyDropped = true;
        }
        d.writesCdR = ProbeCdrWrite() ? 1 : 0;
        d.typeCode = ClassifyDrive();
        d.typeName = DriveTypeName(d.typeCode);
        if (i == 0) wow64NoDataFix = ProbeNoDataCommands() ? 1 : 0;
        CloseDevice();
    }
    if (anyDropped) CompactDrives();
}

void AtapiDevice::EnumerateSptiDrives() {
    uint32_t size = system.GetLogicalDriveStringsA(0, nullptr);
    if (size == 0) return;
    std::unique_ptr<char[]> strings(new (std::nothrow) char[size + 2]());
    if (!strings) return;
    uint32_t got = system.GetLogicalDriveStringsA(size, strings.get());
    if (got == 0 || got > size) return;

    int slot = 0;
    for (const char* root = strings.get(); *root && root < strings.get() + size; root += std::strlen(root) + 1) {
        if (system.GetDriveTypeA(root) != kDriveCdrom) continue;
        // The table has 16 slots; further drives are not recorded.
        if (slot >= kMaxDrives) break;
        DriveRecord& d = drives[slot++];
        std::strncpy(d.rootPath, root, sizeof d.rootPath - 1);
        d.viaAspi = 0;
        int16_t port, pathId, target, lun;
        if (!QueryScsiAddress(root, &port, &pathId, &target, &lun)) continue;
        d.present = 1;
        if (uint16_t(port) == kNoAddress && uint16_t(target) == kNoAddress) {
            d.hostAdapter = int16_t(kNoAddress);
            d.target = d.lun = d.pathId = 0;
        } else {
            d.hostAdapter = port;
            d.pathId = pathId;
            d.target = target;
            d.lun = lun;
        }
    }

    // Drives whose address the system does not give sort after all others, each numbered apart.
    int16_t largest = 0;
    for (int i = 0; i < slot; i++) {
        if (drives[i].hostAdapter > largest && uint16_t(drives[i].hostAdapter) != kNoAddress)
            largest = drives[i].hostAdapter;
    }
    int16_t next = int16_t(largest + 1);
    for (int i = 0; i < slot; i++) {
        if (uint16_t(drives[i].hostAdapter) == kNoAddress) drives[i].hostAdapter = next++;
    }
}

bool AtapiDevice::QueryScsiAddress(const char* root, int16_t* port, int16_t* pathId, int16_t* target,
                                   int16_t* lun) {
    char path[64];
    system.DevicePathOfRoot(root, path, sizeof path);
    SysHandle device = system.CreateFileA(path);
    if (device == kInvalidHandle) return false;
    ScsiAddress address{};
    address.Length = sizeof address;
    uint32_t returned = 0;
    bool ok;
    if (system.DeviceIoControl(device, kIoctlScsiGetAddress, &address, sizeof address, &address,
                               sizeof address, &returned)) {
        ok = address.Length != 0;
        *port = address.PortNumber;
        *pathId = address.PathId;
        *target = address.TargetId;
        *lun = address.Lun;
    } else {
        ok = true;
        *port = int16_t(kNoAddress);
        *target = int16_t(kNoAddress);
        *pathId = *lun = 0;
    }
    system.CloseHandle(device);
    return ok;
}

void AtapiDevice::EnumerateAspiDrives() {
    // Without a bound manager there is nobody to ask: the table stays empty.
    if (!AspiBound()) return;
    SrbHaInquiry inquiry{};
    inquiry.SRB_Cmd = kScHaInquiry;
    inquiry.SRB_HaId = 0;
    SendAspiRequest(&inquiry);
    if (inquiry.SRB_Status != kSsComp) return;
    int adapters = inquiry.HA_Count;
    int slot = 0;
    for (int a = 0; a < adapters; a++) {
        inquiry = SrbHaInquiry{};
        inquiry.SRB_Cmd = kScHaInquiry;
        inquiry.SRB_HaId = uint8_t(a);
        SendAspiRequest(&inquiry);
        if (inquiry.SRB_Status != kSsComp) return;
        for (int t = 0; t < 16; t++) {
            for (int l = 0; l < 8; l++) {
                SrbGetDeviceType block{};
                block.SRB_Cmd = kScGetDevType;
                block.SRB_HaId = uint8_t(a);
                block.SRB_Target = uint8_t(t);
                block.SRB_Lun = uint8_t(l);
                SendAspiRequest(&block);
                if (block.SRB_Status != kSsComp || block.SRB_DeviceType != 5) continue;
                // The table has 16 slots; further devices are not recorded.
                if (slot >= kMaxDrives) return;
                DriveRecord& d = drives[slot++];
                d.present = 1;
                d.hostAdapter = int16_t(a);
                d.target = int16_t(t);
                d.lun = int16_t(l);
                d.pathId = 0;
            }
        }
    }
}

void AtapiDevice::CompactDrives() {
    auto key = [](const DriveRecord& d) {
        return int32_t(d.hostAdapter) * 4096 + int32_t(d.pathId) * 256 + int32_t(d.target) * 16 + int32_t(d.lun);
    };
    DriveRecord sorted[kMaxDrives];
    bool taken[kMaxDrives] = {};
    int count = 0;
    for (int round = 0; round < kMaxDrives; round++) {
        int best = -1;
        for (int i = 0; i < kMaxDrives; i++) {
            if (!drives[i].present || taken[i] || key(drives[i]) >= 65535) continue;
            if (best < 0 || key(drives[i]) < key(drives[best])) best = i;
        }
        if (best < 0) break;
        taken[best] = true;
        sorted[count++] = drives[best];
    }
    for (int i = 0; i < kMaxDrives; i++) drives[i] = i < count ? sorted[i] : DriveRecord{};
    driveCount = uint16_t(count);
}

bool AtapiDevice::IdentifyDrive() {
    vendorMode = 0;
    if (!Inquiry(0, 0, 0, 96, 0x00)) {
        if (!Inquiry(0, 0, 0, 96, 0xC0)) return false;
        vendorMode = 1;
    }
    std::memset(revision, 0, sizeof revision);
    std::memset(vendor, 0, sizeof vendor);
    std::memset(product, 0, sizeof product);
    std::memset(vendorSpecific, 0, sizeof vendorSpecific);
    const uint8_t* data = dataBuffer.get();
    std::memcpy(vendor, data + 8, 8);
    if (vendorMode) {
        std::memcpy(product, data + 16, 16);
        std::memset(product + 8, 0, 8);
        if (data[32] > 0x20 && data[32] < 0x7F) std::memcpy(revision, data + 32, 6);
        else std::memcpy(revision, data + 24, 8);
    } else {
        std::memcpy(product, data + 16, 16);
        std::memcpy(revision, data + 32, 4);
    }
    std::memcpy(vendorSpecific, data + 36, 16);
    for (int i = 8; i < 32; i++) {
        if (data[i]) return true;
    }
    return false;
}

bool AtapiDevice::ProbeCdrWrite() {
    return ModeSense10(0, 0, 0x2A, 42, 0) && (dataBuffer[11] & 0x01);
}

uint8_t AtapiDevice::LockState() { return dataBuffer[14] & 0x02; }

bool AtapiDevice::ProbeNoDataCommands() {
    if (!isWow64) return false;
    wow64NoDataFix = 0;
    if (!ModeSense10(1, 0, 0x2A, 240, 0)) {
        return !PreventAllowMediumRemoval(0, 0, 0) && IsSense(0, 0, 0);
    }
    uint8_t locked = LockState() ? 1 : 0;
    if (!PreventAllowMediumRemoval(!locked, 0, 0)) return false;
    if (!ModeSense10(1, 0, 0x2A, 240, 0)) return false;
    if ((LockState() ? 1 : 0) != locked) {
        PreventAllowMediumRemoval(locked, 0, 0);
        return false;
    }
    if (!PreventAllowMediumRemoval(!locked, 1, 0)) return false;
    if (!ModeSense10(1, 0, 0x2A, 240, 0)) return false;
    if ((LockState() ? 1 : 0) == locked) return true;
    PreventAllowMediumRemoval(locked, 1, 0);
    return false;
}

uint8_t AtapiDevice::ClassifyDrive() {
    ClearUnitAttention();
    if (!Inquiry(0, 0, 0, 96, 0x00) && Inquiry(0, 0, 0, 96, 0xC0)) return 22;
    bool bdWrite = HasFeature(0x41);
    bool hdWrite = HasFeature(0x51);
    if (bdWrite && hdWrite) return 21;
    if (bdWrite) return 13;
    if (hdWrite) return 16;
    if (!ModeSense10(0, 0, 0x2A, 42, 0)) return 0;
    uint8_t r = dataBuffer[10];
    uint8_t w = dataBuffer[11];
    bool dvdRead = r & 0x08;
    if (!(w & 0x01) && !dvdRead) return 1;
    if (dvdRead && !(w & 0x02)) {
        if (HasFeature(0x50)) return 18;
        if (HasFeature(0x40)) return 15;
        return 2;
    }
    if (!dvdRead && (w & 0x02)) return 3;
    if ((r & 0x3B) == 0x3B && (w & 0x33) == 0x33) {
        if (HasFeature(0x50)) return HasFeature(0x40) ? 20 : 17;
        return HasFeature(0x40) ? 14 : 12;
    }
    if (!HasFeature(0x2F)) return 4;
    if (!HasFeature(0x2A) || !(dataBuffer[12] & 0x01)) return 10;
    if (HasFeature(0x50)) return HasFeature(0x40) ? 20 : 17;
    return HasFeature(0x40) ? 14 : 11;
}

bool AtapiDevice::SelectDrive(int16_t index) {
    if (index < 0 || index >= kMaxDrives || !drives[index].present) return false;
    if (handle != kInvalidHandle) CloseDevice();
    const DriveRecord& d = drives[index];
    useAspi = d.viaAspi;
    selectedIndex = index;
    currentHostAdapter = d.hostAdapter;
    currentTarget = d.target;
    currentLun = d.lun;
    currentPathId = d.pathId;
    currentTypeCode = d.typeCode;
    vendorMode = d.vendorMode;
    std::memcpy(vendor, d.vendor, sizeof vendor);
    std::memcpy(product, d.product, sizeof product);
    std::memcpy(revision, d.revision, sizeof revision);
    std::memcpy(vendorSpecific, d.vendorSpecific, sizeof vendorSpecific);
    SetCommandTimeout(timeoutSeconds);
    if (useAspi) return true;
    char path[64];
    system.DevicePathOfRoot(d.rootPath, path, sizeof path);
    SysHandle opened = system.CreateFileA(path);
    if (opened != kInvalidHandle) {
        SetTarget(opened, currentHostAdapter, currentPathId, currentTarget, currentLun);
        return true;
    }
    currentTypeCode = 0;
    SetTarget(kInvalidHandle, -1, -1, -1, -1);
    return false;
}

void AtapiDevice::CloseDevice() {
    if (handle != kInvalidHandle) system.CloseHandle(handle);
    SetTarget(kInvalidHandle, -1, -1, -1, -1);
}

void AtapiDevice::ReleaseBuffers() {
    dataBuffer.reset();
    writeBuffer.reset();
}
