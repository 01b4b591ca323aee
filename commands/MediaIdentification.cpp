// What kind of disc is in the selected drive, as a one-byte media code.
#include "device/AtapiDevice.h"

namespace {
const char* const kMediaNames[40] = {
    "NO MEDIA", "LABELFLASH", "LIGHTSCRIBE", "CD-ROM", "CDR", "CDR", "CDR (A-)", "CDR (A+)",
    "CDR (B-)", "CDR (B+)", "CDR (C-)", "CDR (C+)", "NORMAL CD-RW", "HIGH SPEED CD-RW",
    "ULTRA SPEED CD-RW 24X", "ULTRA SPEED CD-RW 32X", "DVD-ROM", "DVD-ROM DL", "DVD-RAM", "DVD-R",
    "DVD-RW", "DVD-R DL", "DVD-RW DL", "DVD+R", "DVD+RW", "DVD+R DL", "DVD+RW DL", "BD-ROM",
    "BD-R", "BD-RE", "BD-ROM DL", "BD-R DL", "BD-RE DL", "HDDVD-ROM", "HDDVD-R", "HDDVD-RW",
    "HDDVD-ROM DL", "HDDVD-R DL", "HDDVD-RW DL", "HDDVD-RAM",
};

struct VendorWord {
    uint16_t word;
    const char* name;
};
// The media words of mode page 3Ch, in code order from 128.
const VendorWord kVendorWords[33] = {
    {0x0000, "DISC128"}, {0x2070, "CD"}, {0x2470, "CD (NON-RECORDABLE)"}, {0x3C70, "CD (RECORDABLE)"},
    {0x3D70, "CD- (RECORDABLE)"}, {0x3E70, "CD+ (RECORDABLE)"}, {0x2970, "CD-R"}, {0x2D70, "CD-RW"},
    {0x2A70, "CD+R"}, {0x2E70, "CD+RW"}, {0x4000, "DVD"}, {0x4040, "DVD SL"},
    {0x4440, "DVD SL (NON-RECORDABLE)"}, {0x5C70, "DVD SL (RECORDABLE"}, {0x5D70, "DVD- SL (RECORDABLE)"},
    {0x5E70, "DVD+ SL (RECORDABLE)"}, {0x4970, "DVD-R SL (RECORDABLE)"}, {0x4D70, "DVD-RW SL (RECORDABLE)"},
    {0x4A70, "DVD+R SL (RECORDABLE)"}, {0x4E70, "DVD+RW SL (RECORDABLE)"}, {0x4080, "DVD DL"},
    {0x4480, "DVD DL (NON-RECORDABLE)"}, {0x4590, "X2"}, {0x45A0, "XGD2"}, {0x5CB0, "DVD DL (RECORDABLE)"},
    {0x4AB0, "DVD+R DL"}, {0x8530, "HDDVD (NON-RECORDABLE)"}, {0x8630, "BD (NON-RECORDABLE)"},
    {0x60B0, "CD/DVD HYBRID"}, {0x4DB0, "DVD-RW DL"}, {0x4570, "DVD SL"}, {0x45B0, "DVD DL"},
    {0x5170, "DVD-RAM"},
};
constexpr MediaCode kUnknown = 255;
}  // namespace

const char* AtapiDevice::MediaName(MediaCode code) {
    if (code < 40) return kMediaNames[code];
    if (code >= 128 && code < 128 + 33) return kVendorWords[code - 128].name;
    return "UNKNOWN";
}

MediaCode AtapiDevice::IdentifyMedia(int waitSeconds) {
    WaitUntilReady(waitSeconds > 0 ? waitSeconds : 120, 300);
    if (IsSense(2, 0x3A)) return 0;
    if (!IsSense(0)) return kUnknown;

    if (vendorMode && ModeSense10(0, 0, 0x3C, 128, 0)) {
        uint16_t word = ReadBe16(24);
        for (int i = 0; i < 33; i++) {
            if (kVendorWords[i].word == word) return MediaCode(128 + i);
        }
    }

    if (ClassifyDrive() == 1) {
        return ReadDiscInformation(512, 0) && (dataBuffer[2] & 0x10) ? 12 : 3;
    }

    MediaCode result = kUnknown;
    bool multiLayer = false;
    uint8_t bdType = 0;
    const uint8_t* d = dataBuffer.get();
    bool atip = false;
    if (ReadDiscStructure(0, 0, 0x00, 2048, 0, 0, 0)) {
        if (ReadBe16(0) <= 5) {
            // Too short to hold a physical format: leave the result unknown.
        } else if (d[9] != 0x03) {
            atip = true;
        } else {
            uint8_t bookType = d[4] >> 4;
            multiLayer = ((d[6] >> 5) & 3) != 0;
            switch (bookType) {
                case 0: result = multiLayer ? 17 : 16; break;
                case 1: result = 18; break;
                case 2: result = 19; break;
                case 3: result = 20; break;
                case 9: result = 24; break;
                case 10: result = 23; break;
                case 14: result = 25; break;
                default: result = kUnknown; break;
            }
        }
    } else if (!ReadDiscStructure(0, 0, 0x00, 4100, 0, 0, 1)) {
        atip = true;
    } else if (ReadBe16(0) > 16) {
        multiLayer = ((d[16] >> 4) & 3) >= 2;
        if (d[12] == 'B' && d[13] == 'D') {
            if (d[14] == 'W') bdType = 3;
            else if (d[14] == 'R') bdType = 2;
            else if (d[14] == 'O') bdType = 1;
        }
    }

    if (atip && ReadTocPmaAtip(0, 4, 0, 1024, 0) && d[1] > 4) {
        uint8_t subType = (d[6] >> 3) & 7;
        if (!(d[6] & 0x40)) return MediaCode(4 + subType);
        if (subType <= 3) return MediaCode(12 + subType);
        result = kUnknown;
    }

    if (!GetConfiguration(0, 0, 65532, 0)) return result;
    switch (ReadBe16(6)) {
        case 0x0008: return 3;
        case 0x0009: return 6;
        case 0x000A: return 12;
        case 0x0010:
            if (result == 18) return 18;
            if (result == kUnknown) return multiLayer ? 17 : 16;
            if (result == 19 || result == 20 || result == 24) return multiLayer ? MediaCode(result + 2) : result;
            return result;
        case 0x0011: return 19;
        case 0x0012: return 18;
        case 0x0013:
        case 0x0014: return 20;
        case 0x0015:
        case 0x0016: return 21;
        case 0x001A: return 24;
        case 0x001B: return 23;
        case 0x002A: return 26;
        case 0x002B: return 25;
        case 0x0040:
            if (bdType == 2) return multiLayer ? 31 : 28;
            if (bdType == 3) return multiLayer ? 32 : 29;
            return multiLayer ? 30 : 27;
        case 0x0041:
        case 0x0042: return multiLayer ? 31 : 28;
        case 0x0043: return multiLayer ? 32 : 29;
        case 0x0050: return multiLayer ? 36 : 33;
        case 0x0051: return multiLayer ? 37 : 34;
        case 0x0052: return multiLayer ? 38 : 35;
        case 0xFFFF:
            if (FindLabelFlashPage()) return 1;
            if (ModeSense10(0, 0, 0x32, 70, 0)) return 2;
            return result;
        default: return result;
    }
}

uint8_t AtapiDevice::FindLabelFlashPage() {
    for (uint8_t page = 0x20; page <= 0x3E; page++) {
        if (ModeSense10(0, 0, page, 254, 0) && dataBuffer[0] == 0x00 && dataBuffer[1] == 0xC6 &&
            (dataBuffer[8] & 0x3F) == page)
            return page;
    }
    return 0;
}
