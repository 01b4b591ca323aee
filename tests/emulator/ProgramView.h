// How the program reads a drive: its drive-type decision and its media identification, written
// out step by step so that the model's answers can be checked against what the program makes
// of them.
#pragma once

#include "DriveHarness.h"

namespace emu::test {

inline bool HasFeature(Harness& h, uint16_t code) {
    return h.Ask(GetConfiguration(2, code, 1024), 1024) == "good" && h.Be16(2) >= 8 && h.Be16(8) == code;
}

inline int Classify(Harness& h) {
    while (h.Do(TestUnitReady()).rfind("6/", 0) == 0) {}
    if (h.Ask(Inquiry(96, 0x00), 96) != "good" && h.Ask(Inquiry(96, 0xC0), 96) == "good") return 22;
    if (HasFeature(h, 0x41) && HasFeature(h, 0x51)) return 21;
    if (HasFeature(h, 0x41)) return 13;
    if (HasFeature(h, 0x51)) return 16;
    if (h.Ask(ModeSense(0x2A, 42), 42) != "good") return 0;
    const uint8_t r = h.data[10], w = h.data[11];
    if (!(w & 1) && !(r & 8)) return 1;
    if ((r & 8) && !(w & 2)) return HasFeature(h, 0x50) ? 18 : HasFeature(h, 0x40) ? 15 : 2;
    if (!(r & 8) && (w & 2)) return 3;
    auto combo = [&](int none) {
        return HasFeature(h, 0x50) ? (HasFeature(h, 0x40) ? 20 : 17) : (HasFeature(h, 0x40) ? 14 : none);
    };
    if ((r & 0x3B) == 0x3B && (w & 0x33) == 0x33) return combo(12);
    if (!HasFeature(h, 0x2F)) return 4;
    if (!HasFeature(h, 0x2A) || !(h.data[12] & 1)) return 10;
    return combo(11);
}

inline int VendorWordCode(uint16_t word) {
    static const uint16_t words[] = {0x0000, 0x2070, 0x2470, 0x3C70, 0x3D70, 0x3E70, 0x2970, 0x2D70, 0x2A70,
                                     0x2E70, 0x4000, 0x4040, 0x4440, 0x5C70, 0x5D70, 0x5E70, 0x4970, 0x4D70,
                                     0x4A70, 0x4E70, 0x4080, 0x4480, 0x4590, 0x45A0, 0x5CB0, 0x4AB0, 0x8530,
                                     0x8630, 0x60B0, 0x4DB0, 0x4570, 0x45B0, 0x5170};
    for (size_t i = 0; i < std::size(words); i++)
        if (words[i] == word) return int(128 + i);
    return -1;
}

// The media code the program names the disc with.
inline int Identify(Harness& h) {
    for (int polls = 0; polls < 400; polls++) {
        std::string s = h.Do(TestUnitReady());
        if (s.rfind("2/04h", 0) != 0 && s.rfind("6/", 0) != 0) break;
        h.Wait(0.3);
    }
    const std::string ready = Describe(h.last);
    if (ready.rfind("2/3Ah", 0) == 0) return 0;
    if (ready != "good") return 255;
    if (h.drive->Config().vendorMode && h.Ask(ModeSense(0x3C, 128), 128) == "good") {
        int code = VendorWordCode(uint16_t(h.Be16(24)));
        if (code >= 0) return code;
    }
    if (Classify(h) == 1) return h.Ask(DiscInformation(512), 512) == "good" && (h.data[2] & 0x10) ? 12 : 3;
    int result = 255, bdType = 0;
    bool multi = false, atip = false;
    if (h.Ask(DiscStructure(0, 0, 2048), 2048) == "good") {
        if (h.Be16(0) > 5) {
            if (h.data[9] != 3) {
                atip = true;
            } else {
                multi = ((h.data[6] >> 5) & 3) != 0;
                switch (h.data[4] >> 4) {
                    case 0: result = multi ? 17 : 16; break;
                    case 1: result = 18; break;
                    case 2: result = 19; break;
                    case 3: result = 20; break;
                    case 9: result = 24; break;
                    case 10: result = 23; break;
                    case 14: result = 25; break;
                    default: break;
                }
            }
        }
    } else if (h.Ask(DiscStructure(1, 0, 4100), 4100) == "good") {
        if (h.Be16(0) > 16) {
            multi = ((h.data[16] >> 4) & 3) >= 2;
            std::string id(h.data.begin() + 12, h.data.begin() + 15);
            bdType = id == "BDW" ? 3 : id == "BDR" ? 2 : id == "BDO" ? 1 : 0;
        }
    } else {
        atip = true;
    }
    if (atip && h.Ask(ReadToc(false, 4, 1024), 1024) == "good" && h.data[1] > 4) {
        const int sub = (h.data[6] >> 3) & 7;
        if (!(h.data[6] & 0x40)) return 4 + sub;
        if (sub <= 3) return 12 + sub;
    }
    if (h.Ask(GetConfiguration(0, 0, 65532), 65532) != "good") return result;
    switch (h.Be16(6)) {
        case 0x0008: return 3;
        case 0x0009: return 6;
        case 0x000A: return 12;
        case 0x0010:
            if (result == 255) return multi ? 17 : 16;
            if (result == 19 || result == 20 || result == 24) return multi ? result + 2 : result;
            return result;
        case 0x0011: return 19;
        case 0x0012: return 18;
        case 0x0013: case 0x0014: return 20;
        case 0x0015: case 0x0016: return 21;
        case 0x001A: return 24;
        case 0x001B: return 23;
        case 0x002A: return 26;
        case 0x002B: return 25;
        case 0x0040: return bdType == 2 ? (multi ? 31 : 28) : bdType == 3 ? (multi ? 32 : 29) : (multi ? 30 : 27);
        case 0x0041: case 0x0042: return multi ? 31 : 28;
        case 0x0043: return multi ? 32 : 29;
        case 0x0050: return multi ? 36 : 33;
        case 0x0051: return multi ? 37 : 34;
        case 0x0052: return multi ? 38 : 35;
        case 0xFFFF:
            for (uint8_t page = 0x20; page <= 0x3E; page++)
                if (h.Ask(ModeSense(page, 254), 254) == "good" && h.Be16(0) == 198 && (h.data[8] & 0x3F) == page) return 1;
            return h.Ask(ModeSense(0x32, 70), 70) == "good" ? 2 : result;
        default: return result;
    }
}

}  // namespace emu::test
