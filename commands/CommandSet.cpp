// The command descriptor blocks the program sends. Every block is 12 bytes, built from a zeroed
// template; multi-byte fields are big-endian and every argument is cut to its field.
#include <cstring>

#include "device/AtapiDevice.h"

namespace {
struct Cdb {
    uint8_t b[12] = {};
    explicit Cdb(uint8_t opcode) { b[0] = opcode; }
    void Be16(int pos, uint32_t v) {
        b[pos] = uint8_t(v >> 8);
        b[pos + 1] = uint8_t(v);
    }
    void Be32(int pos, uint32_t v) {
        b[pos] = uint8_t(v >> 24);
        b[pos + 1] = uint8_t(v >> 16);
        b[pos + 2] = uint8_t(v >> 8);
        b[pos + 3] = uint8_t(v);
    }
};

constexpr uint8_t kTestUnitReady = 0x00;
constexpr uint8_t kRequestSense = 0x03;
constexpr uint8_t kInquiry = 0x12;
constexpr uint8_t kStartStopUnit = 0x1B;
constexpr uint8_t kPreventAllow = 0x1E;
constexpr uint8_t kReadCapacity = 0x25;
constexpr uint8_t kRead10 = 0x28;
constexpr uint8_t kReadTocPmaAtip = 0x43;
constexpr uint8_t kGetConfiguration = 0x46;
constexpr uint8_t kGetEventStatus = 0x4A;
constexpr uint8_t kReadDiscInformation = 0x51;
constexpr uint8_t kReadTrackInformation = 0x52;
constexpr uint8_t kModeSense10 = 0x5A;
constexpr uint8_t kRead12 = 0xA8;
constexpr uint8_t kReadDiscStructure = 0xAD;
constexpr uint8_t kVendorEraseDisc = 0xDC;
constexpr uint8_t kVendorErase = 0xDF;
constexpr uint8_t kVendorEraseRange = 0x1A;
}  // namespace

bool AtapiDevice::TestUnitReady() {
    Cdb c(kTestUnitReady);
    return ExecuteCdb(c.b, kDirNone, 0);
}

bool AtapiDevice::RequestSense(uint8_t allocationLength, uint8_t control) {
    Cdb c(kRequestSense);
    c.b[4] = allocationLength;
    c.b[5] = control;
    return ExecuteCdb(c.b, kDirIn, allocationLength);
}

bool AtapiDevice::Inquiry(uint8_t cmdDt, uint8_t evpd, uint8_t pageCode, uint8_t allocationLength,
                          uint8_t control) {
    Cdb c(kInquiry);
    c.b[1] = uint8_t(((cmdDt & 1) << 1) + (evpd & 1));
    c.b[2] = pageCode;
    c.b[4] = allocationLength;
    c.b[5] = control;
    return ExecuteCdb(c.b, kDirIn, allocationLength);
}

bool AtapiDevice::StartStopUnit(uint8_t immed, uint8_t powerCondition, uint8_t loadEject, uint8_t start) {
    Cdb c(kStartStopUnit);
    c.b[1] = immed & 1;
    c.b[4] = uint8_t(((powerCondition & 0x0F) << 4) + ((loadEject & 1) << 1) + (start & 1));
    return ExecuteCdb(c.b, kDirNone, 0);
}

bool AtapiDevice::PreventAllowMediumRemoval(uint8_t prevent, uint8_t persistent, uint8_t control) {
    Cdb c(kPreventAllow);
    c.b[4] = uint8_t(((persistent & 1) << 1) + (prevent & 1));
    c.b[5] = control;
    return ExecuteCdb(c.b, kDirNone, 0);
}

bool AtapiDevice::ReadCapacity() {
    Cdb c(kReadCapacity);
    return ExecuteCdb(c.b, kDirIn, 8);
}

bool AtapiDevice::ReadTocPmaAtip(uint8_t msf, uint8_t format, uint8_t trackSessionNumber,
                                 uint16_t allocationLength, uint8_t control) {
    Cdb c(kReadTocPmaAtip);
    c.b[1] = uint8_t((msf & 1) << 1);
    c.b[2] = format & 0x0F;
    c.b[6] = trackSessionNumber;
    c.Be16(7, allocationLength);
    c.b[9] = control;
    return ExecuteCdb(c.b, kDirIn, allocationLength);
}

bool AtapiDevice::GetConfiguration(uint8_t requestType, uint16_t startingFeature, uint16_t allocationLength,
                                   uint8_t control) {
    Cdb c(kGetConfiguration);
    c.b[1] = requestType & 3;
    c.Be16(2, startingFeature);
    c.Be16(7, allocationLength);
    c.b[9] = control;
    return ExecuteCdb(c.b, kDirIn, allocationLength);
}

bool AtapiDevice::GetEventStatusNotification(uint8_t polled, uint8_t classRequest, uint16_t allocationLength,
                                             uint8_t control) {
    Cdb c(kGetEventStatus);
    c.b[1] = polled & 1;
    c.b[4] = classRequest;
    c.Be16(7, allocationLength);
    c.b[9] = control;
    return ExecuteCdb(c.b, kDirIn, allocationLength);
}

bool AtapiDevice::ReadDiscInformation(uint16_t allocationLength, uint8_t control) {
    Cdb c(kReadDiscInformation);
    c.Be16(7, allocationLength);
    c.b[9] = control;
    return ExecuteCdb(c.b, kDirIn, allocationLength);
}

bool AtapiDevice::ReadTrackInformation(uint8_t addressType, uint32_t address, uint16_t allocationLength,
                                       uint8_t control) {
    Cdb c(kReadTrackInformation);
    c.b[1] = addressType & 3;
    c.Be32(2, address);
    c.Be16(7, allocationLength);
    c.b[9] = control;
    return ExecuteCdb(c.b, kDirIn, allocationLength);
}

bool AtapiDevice::ModeSense10(uint8_t dbd, uint8_t pageControl, uint8_t pageCode, uint16_t allocationLength,
                              uint8_t control) {
    Cdb c(kModeSense10);
    c.b[1] = uint8_t((dbd & 1) << 3);
    c.b[2] = uint8_t(((pageControl & 3) << 6) + (pageCode & 0x3F));
    c.Be16(7, allocationLength);
    c.b[9] = control;
    return ExecuteCdb(c.b, kDirIn, allocationLength);
}

bool AtapiDevice::ReadDiscStructure(uint32_t address, uint8_t layer, uint8_t format, uint16_t allocationLength,
                                    uint8_t agid, uint8_t control, uint8_t mediaType) {
    Cdb c(kReadDiscStructure);
    c.b[1] = mediaType & 0x0F;
    c.Be32(2, address);
    c.b[6] = layer;
    c.b[7] = format;
    c.Be16(8, allocationLength);
    c.b[10] = uint8_t((agid & 3) << 6);
    c.b[11] = control;
    return ExecuteCdb(c.b, kDirIn, allocationLength);
}

bool AtapiDevice::Read10(uint32_t lba, uint16_t blocks, uint32_t transferLength) {
    Cdb c(kRead10);
    c.Be32(2, lba);
    c.Be16(7, blocks);
    return ExecuteCdb(c.b, kDirIn, transferLength);
}

bool AtapiDevice::Read12(uint32_t lba, uint32_t blocks, uint32_t transferLength) {
    Cdb c(kRead12);
    c.Be32(2, lba);
    c.Be32(6, blocks);
    return ExecuteCdb(c.b, kDirIn, transferLength);
}

bool AtapiDevice::VendorEraseDisc(uint8_t enable, uint8_t mode) {
    Cdb c(kVendorEraseDisc);
    c.b[1] = enable ? 1 : 0;
    c.b[2] = mode & 3;
    return ExecuteCdb(c.b, kDirNone, 0);
}

bool AtapiDevice::VendorEraseRangeMsf(uint32_t startLba, uint32_t blockCount, uint8_t areaByte,
                                      uint8_t highFlag, uint8_t lowFlag) {
    Cdb c(kVendorErase);
    c.b[1] = kVendorEraseRange;
    c.b[2] = areaByte;
    uint32_t n = startLba + 150;
    c.b[3] = uint8_t(n / 4500);
    c.b[4] = uint8_t((n / 75) % 60);
    c.b[5] = uint8_t(n % 75);
    c.Be32(6, blockCount);
    c.b[10] = uint8_t((highFlag << 7) + (lowFlag << 5));
    return ExecuteCdb(c.b, kDirNone, 0);
}

bool AtapiDevice::VendorEraseRangeLba(uint32_t startLba, uint32_t blockCount, uint8_t highFlag, uint8_t lowFlag) {
    Cdb c(kVendorErase);
    c.b[1] = kVendorEraseRange;
    c.Be32(2, startLba);
    c.Be32(6, blockCount);
    c.b[10] = uint8_t((highFlag << 7) + (lowFlag << 5));
    return ExecuteCdb(c.b, kDirNone, 0);
}

bool AtapiDevice::HasFeature(uint16_t featureCode) {
    return GetConfiguration(2, featureCode, 1024, 0) && ReadBe16(2) >= 8 && ReadBe16(8) == featureCode;
}

void AtapiDevice::ClearUnitAttention() {
    // A drive reports UNIT ATTENTION once per event; one that never stops must not hang the
    // program, nor may the retries spin a core.
    constexpr int kMaxTries = 1000;
    for (int tries = 0; tries < kMaxTries && !TestUnitReady() && IsSense(6); tries++) {
        system.ProcessMessages();
        system.WaitForMessage(10);
    }
}
