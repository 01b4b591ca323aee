// The data the drive returns: identity, capabilities, features and the disc's structures.
#include <algorithm>
#include <cstring>

#include "emulator/Bytes.h"
#include "emulator/MmcDrive.h"

namespace emu {

namespace {

void PutText(uint8_t* out, const std::string& text, size_t width) {
    for (size_t i = 0; i < width; i++) out[i] = i < text.size() ? uint8_t(text[i]) : ' ';
}

void PutMsf(uint8_t* out, int64_t lba) {  // 00 M S F of a block address
    int64_t n = lba + 150;
    out[0] = 0;
    out[1] = uint8_t(n / 4500);
    out[2] = uint8_t(n / 75 % 60);
    out[3] = uint8_t(n % 75);
}

uint16_t RomProfileOf(DiscFamily f) {
    switch (f) {
        case DiscFamily::Cd: return 0x0008;
        case DiscFamily::Dvd: return 0x0010;
        case DiscFamily::Bd: return 0x0040;
        case DiscFamily::HdDvd: return 0x0050;
        default: return 0x0000;
    }
}

constexpr uint16_t kFeatureCodes[] = {0x0000, 0x0001, 0x0002, 0x0003, 0x0010, 0x001E, 0x001F, 0x002A,
                                      0x002B, 0x002D, 0x002F, 0x0040, 0x0041, 0x0050, 0x0051};

}  // namespace

uint8_t MmcDrive::ReadBits() const {
    if (config.readBits >= 0) return uint8_t(config.readBits);
    uint8_t r = 0;
    if (config.caps.readsCd) r |= 0x03;         // CD-R, CD-RW
    if (config.caps.readsDvd) r |= 0x08 | 0x10 | 0x20;  // DVD-ROM, DVD-R, DVD-RAM
    return r;
}

uint8_t MmcDrive::WriteBits() const {
    if (config.writeBits >= 0) return uint8_t(config.writeBits);
    uint8_t w = 0;
    if (config.caps.writesCdR) w |= 0x01;
    if (config.caps.writesCdRw) w |= 0x02;
    if (config.caps.writesDvdDash) w |= 0x10;
    if (config.caps.writesDvdRam) w |= 0x20;
    return w;
}

std::vector<uint16_t> MmcDrive::Profiles() const {
    const DriveCaps& k = config.caps;
    std::vector<uint16_t> p;
    auto add = [&](bool on, std::initializer_list<uint16_t> codes) {
        if (on) p.insert(p.end(), codes);
    };
    add(k.readsCd, {0x0008});
    add(k.writesCdR, {0x0009});
    add(k.writesCdRw, {0x000A});
    add(k.readsDvd, {0x0010});
    add(k.writesDvdDash, {0x0011, 0x0013, 0x0014, 0x0015, 0x0016});
    add(k.writesDvdRam, {0x0012});
    add(k.writesDvdPlus, {0x001A, 0x001B, 0x002B});
    add(k.readsBd, {0x0040});
    add(k.writesBd, {0x0041, 0x0042, 0x0043});
    add(k.readsHdDvd, {0x0050});
    add(k.writesHdDvd, {0x0051, 0x0052, 0x0053, 0x0058, 0x005A});
    std::sort(p.begin(), p.end(), std::greater<>());
    return p;
}

uint16_t MmcDrive::CurrentProfile() const {
    if (trayOpen || !disc || spinning || !FamilyReadable()) return 0x0000;
    if (disc->Config().profile >= 0) return uint16_t(disc->Config().profile);
    auto p = Profiles();
    if (std::find(p.begin(), p.end(), disc->Profile()) != p.end()) return disc->Profile();
    return RomProfileOf(disc->Family());  // a drive that cannot write the kind reads it as pressed
}

bool MmcDrive::HasFeature(uint16_t code) const {
    const DriveCaps& k = config.caps;
    auto pick = [](int forced, bool derived) { return forced >= 0 ? forced != 0 : derived; };
    switch (code) {
        case 0x0000: case 0x0001: case 0x0002: case 0x0003: case 0x0010: return true;
        case 0x001E: return k.readsCd;
        case 0x001F: return k.readsDvd;
        case 0x002A: return pick(config.feature2A, k.writesDvdPlus);
        case 0x002B: return k.writesDvdPlus;
        case 0x002D: return k.writesCdR;
        case 0x002F: return pick(config.feature2F, k.writesDvdDash);
        case 0x0040: return pick(config.feature40, k.readsBd);
        case 0x0041: return pick(config.feature41, k.writesBd);
        case 0x0050: return pick(config.feature50, k.readsHdDvd);
        case 0x0051: return pick(config.feature51, k.writesHdDvd);
        default: return false;
    }
}

bool MmcDrive::FeatureCurrent(uint16_t code) const {
    const uint16_t profile = CurrentProfile();
    const DiscFamily f = profile ? disc->Family() : DiscFamily::None;
    switch (code) {
        case 0x0000: case 0x0001: case 0x0002: case 0x0003: return true;
        case 0x0010: return profile != 0;
        case 0x001E: return f == DiscFamily::Cd;
        case 0x001F: return f == DiscFamily::Dvd;
        case 0x002A: return profile == 0x001A;
        case 0x002B: return profile == 0x001B || profile == 0x002B;
        case 0x002D: return profile == 0x0009 || profile == 0x000A;
        case 0x002F: return profile == 0x0011 || profile == 0x0013 || profile == 0x0014 || profile == 0x0015;
        case 0x0040: return f == DiscFamily::Bd;
        case 0x0041: return profile >= 0x0041 && profile <= 0x0043;
        case 0x0050: return f == DiscFamily::HdDvd;
        case 0x0051: return profile >= 0x0051 && profile <= 0x005A;
        default: return false;
    }
}

size_t MmcDrive::BuildFeature(uint16_t code, uint8_t* out) const {
    const bool current = FeatureCurrent(code);
    Put16(out, code);
    out[2] = current ? 0x01 : 0x00;
    size_t extra = 4;
    switch (code) {
        case 0x0000: {
            out[2] |= 0x02;  // persistent
            auto profiles = Profiles();
            const uint16_t now = CurrentProfile();
            extra = 4 * profiles.size();
            for (size_t i = 0; i < profiles.size(); i++) {
                Put16(out + 4 + 4 * i, profiles[i]);
                out[6 + 4 * i] = profiles[i] == now ? 0x01 : 0x00;
                out[7 + 4 * i] = 0;
            }
            break;
        }
        case 0x0001:  // Core: ATAPI interface
            out[2] |= 0x08 | 0x02;
            extra = 8;
            Put32(out + 4, 0x00000002);
            out[8] = 0x01;
            std::memset(out + 9, 0, 3);
            break;
        case 0x0002:  // Morphing: operational change events
            out[2] |= 0x04 | 0x02;
            std::memset(out + 4, 0, 4);
            out[4] = 0x02;
            break;
        case 0x0003:  // Removable Medium: tray, eject, lock
            out[2] |= 0x02;
            std::memset(out + 4, 0, 4);
            out[4] = 0x20 | 0x08 | 0x01;
            break;
        case 0x0010:  // Random Readable
            extra = 8;
            std::memset(out + 4, 0, 8);
            Put32(out + 4, 2048);
            Put16(out + 8, disc && disc->Family() == DiscFamily::Bd ? 32 : disc && disc->Family() == DiscFamily::Cd ? 1 : 16);
            break;
        case 0x0040:  // BD Read: class 0 bitmaps for BD-RE, BD-R and BD-ROM version 1
        case 0x0041:
            extra = code == 0x0040 ? 28 : 20;
            std::memset(out + 4, 0, extra);
            Put16(out + 12, 0x0002);
            if (code == 0x0040) {
                Put16(out + 20, 0x0002);
                Put16(out + 28, 0x0002);
            }
            break;
        default:
            std::memset(out + 4, 0, 4);
            if (code == 0x002A) out[4] = (config.dvdPlusRwWrite >= 0 ? config.dvdPlusRwWrite != 0 : config.caps.writesDvdPlus) ? 1 : 0;
            if (code == 0x002B) out[4] = config.caps.writesDvdPlus ? 1 : 0;
            break;
    }
    out[3] = uint8_t(extra);
    return 4 + extra;
}

void MmcDrive::Inquiry(const ScsiCommand& c, ScsiAnswer& a) {
    const uint32_t allocation = Get16(c.cdb + 3);
    if (config.vendorMode && (c.cdb[5] & 0xC0) != 0xC0) {
        a.CheckCondition(0x05, 0x24, 0x00);  // answers only in the vendor's own mode
        return;
    }
    const bool evpd = c.cdb[1] & 0x01, cmdDt = c.cdb[1] & 0x02;
    uint8_t* d = reply;
    std::memset(d, 0, 96);
    if (cmdDt || (!evpd && c.cdb[2] != 0)) {
        a.CheckCondition(0x05, 0x24, 0x00);
        return;
    }
    if (evpd) {
        d[0] = 0x05;
        d[1] = c.cdb[2];
        if (c.cdb[2] == 0x00) {
            Put16(d + 2, 2);
            d[4] = 0x00;
            d[5] = 0x80;
            SendData(c, a, d, 6, allocation);
        } else if (c.cdb[2] == 0x80) {
            Put16(d + 2, uint32_t(config.serial.size()));
            std::memcpy(d + 4, config.serial.data(), config.serial.size());
            SendData(c, a, d, 4 + config.serial.size(), allocation);
        } else {
            a.CheckCondition(0x05, 0x24, 0x00);
        }
        return;
    }
    d[0] = 0x05;  // CD/DVD device
    d[1] = 0x80;  // removable
    d[2] = 0x05;
    d[3] = 0x02;
    d[4] = 96 - 5;
    PutText(d + 8, config.vendor, 8);
    // In vendor mode a 6-character revision reaches into bytes 36-37, so it is written last.
    PutText(d + 36, config.vendorSpecific, 16);
    if (config.vendorMode) {
        PutText(d + 16, config.product, 8);
        if (config.vendorRevisionLength == 8) {
            PutText(d + 24, config.revision, 8);  // byte 32 stays 00h: no 6-character revision
        } else {
            PutText(d + 24, "", 8);
            PutText(d + 32, config.revision, 6);
        }
    } else {
        PutText(d + 16, config.product, 16);
        PutText(d + 32, config.revision, 4);
    }
    SendData(c, a, d, 96, allocation);
}

size_t MmcDrive::BuildModePage(uint8_t page, bool changeable, uint8_t* p) const {
    size_t length = 0;
    switch (page) {
        case 0x2A: length = 0x1C; break;
        case 0x3C: length = 0x1E; break;
        case 0x3D: length = 0x0E; break;
        case 0x32: length = 0x1E; break;
        default: length = 0xBE; break;  // the label page: 192 bytes, mode data length 198
    }
    std::memset(p, 0, length + 2);
    p[0] = page;
    p[1] = uint8_t(length);
    if (changeable) return length + 2;  // nothing here can be changed
    switch (page) {
        case 0x2A:
            p[2] = ReadBits();
            p[3] = WriteBits();
            p[4] = 0x41;  // audio play, multi-session
            p[5] = 0x03;
            // Tray loader, eject, lock supported; bit 1 is the lock state.
            p[6] = 0x20 | 0x08 | 0x01 | ((prevent || persistentPrevent) ? 0x02 : 0x00);
            Put16(p + 10, 0x0100);
            Put16(p + 12, 0x0800);
            break;
        case 0x3C: {
            // The media word; its low byte carries the layer count in its top two bits.
            const bool present = disc && !trayOpen;
            Put16(p + 16, present ? disc->MediaWord() : 0x0000);
            break;
        }
        case 0x3D:
            p[2] = trayOpen ? uint8_t(config.vendorTrayOpenValue & 0x0F) : 0x00;
            break;
        case 0x32:
            p[2] = 0x01;
            break;
        default:
            std::memcpy(p + 2, "LABEL", 5);
            break;
    }
    return length + 2;
}

void MmcDrive::ModeSense(const ScsiCommand& c, ScsiAnswer& a) {
    const bool dbd = c.cdb[1] & 0x08;
    const uint8_t pc = c.cdb[2] >> 6, page = c.cdb[2] & 0x3F, subpage = c.cdb[3];
    const uint32_t allocation = Get16(c.cdb + 7);
    if (pc == 3) {
        a.CheckCondition(0x05, 0x39, 0x00);  // SAVING PARAMETERS NOT SUPPORTED
        return;
    }
    std::vector<uint8_t> pages;
    if (config.page3C) pages.push_back(0x3C);
    if (config.page3D) pages.push_back(0x3D);
    if (config.page32) pages.push_back(0x32);
    if (config.labelPage >= 0x20 && config.labelPage <= 0x3E) pages.push_back(uint8_t(config.labelPage));
    pages.push_back(0x2A);
    std::sort(pages.begin(), pages.end());
    const bool all = page == 0x3F;
    if (subpage != 0 || (!all && std::find(pages.begin(), pages.end(), page) == pages.end())) {
        a.CheckCondition(0x05, 0x24, 0x00);
        return;
    }
    uint8_t* d = reply;
    std::memset(d, 0, 8);
    size_t at = 8;
    if (config.blockDescriptor && !dbd) {
        d[7] = 8;
        std::memset(d + 8, 0, 8);
        Put24(d + 13, 2048);
        at += 8;
    }
    for (uint8_t p : pages)
        if (all || p == page) at += BuildModePage(p, pc == 1, d + at);
    Put16(d, uint32_t(at - 2));
    SendData(c, a, d, at, allocation);
}

void MmcDrive::GetConfiguration(const ScsiCommand& c, ScsiAnswer& a) {
    const uint8_t rt = c.cdb[1] & 0x03;
    const uint16_t start = uint16_t(Get16(c.cdb + 2));
    const uint32_t allocation = Get16(c.cdb + 7);
    if (rt == 3) {
        a.CheckCondition(0x05, 0x24, 0x00);
        return;
    }
    uint8_t* d = reply;
    std::memset(d, 0, 8);
    Put16(d + 6, CurrentProfile());
    size_t at = 8;
    for (uint16_t code : kFeatureCodes) {
        if (!HasFeature(code)) continue;
        if (rt == 2 ? code != start : code < start) continue;
        if (rt == 1 && !FeatureCurrent(code)) continue;
        at += BuildFeature(code, d + at);
    }
    Put32(d, uint32_t(at - 4));
    SendData(c, a, d, at, allocation);
}

void MmcDrive::GetEventStatus(const ScsiCommand& c, ScsiAnswer& a) {
    const uint32_t allocation = Get16(c.cdb + 7);
    if (!(c.cdb[1] & 0x01)) {  // asynchronous notification is not supported
        a.CheckCondition(0x05, 0x24, 0x00);
        return;
    }
    uint8_t* d = reply;
    std::memset(d, 0, 8);
    d[3] = 0x10;  // supported: media class
    if (!(c.cdb[4] & 0x10)) {
        Put16(d, 2);
        d[2] = 0x80;  // no event available
        SendData(c, a, d, 4, allocation);
        return;
    }
    Put16(d, 6);
    d[2] = 0x04;
    d[4] = mediaEvent;
    d[5] = trayOpen ? 0x01 : disc ? 0x02 : 0x00;  // a disc on the open tray is not in the drive
    mediaEvent = 0;
    SendData(c, a, d, 8, allocation);
}

void MmcDrive::ReadCapacity(const ScsiCommand& c, ScsiAnswer& a) {
    if (!MediumReady(a)) return;
    uint8_t* d = reply;
    Put32(d, uint32_t(std::max<int64_t>(0, disc->RecordedEnd() - 1)));
    Put32(d + 4, 2048);
    SendData(c, a, d, 8, 8);
}

void MmcDrive::Read(const ScsiCommand& c, ScsiAnswer& a, bool twelve) {
    if (!MediumReady(a)) return;
    const int64_t lba = Get32(c.cdb + 2);
    const int64_t count = twelve ? Get32(c.cdb + 6) : Get16(c.cdb + 7);
    if (lba + count > disc->RecordedEnd()) {
        a.CheckCondition(0x05, 0x21, 0x00);
        return;
    }
    const size_t room = (c.direction == 1 && c.data) ? c.dataLength : 0;
    const int64_t bad = disc->FirstUnreadableLba(lba, count);
    const int64_t good = bad < 0 ? count : bad - lba;
    size_t moved = 0;
    // Each sector carries its own address, so a reader can tell which one it got.
    for (int64_t i = 0; i < good && moved < room; i++)
        for (size_t b = 0; b < 2048 && moved < room; b++, moved++)
            c.data[moved] = b < 4 ? uint8_t(uint32_t(lba + i) >> (24 - 8 * b)) : uint8_t((lba + i) * 7 + b);
    if (bad >= 0) {
        a.CheckCondition(0x03, 0x11, 0x00);  // UNRECOVERED READ ERROR
        a.sense[0] |= 0x80;
        Put32(a.sense + 3, uint32_t(bad));
    }
    a.transferred = uint32_t(moved);
}

void MmcDrive::ReadToc(const ScsiCommand& c, ScsiAnswer& a) {
    if (!MediumReady(a)) return;
    const bool msf = c.cdb[1] & 0x02;
    const uint8_t format = c.cdb[2] & 0x0F, track = c.cdb[6];
    const uint32_t allocation = Get16(c.cdb + 7);
    uint8_t* d = reply;
    std::memset(d, 0, 1024);
    auto address = [&](uint8_t* out, int64_t lba) {
        if (msf) PutMsf(out, lba);
        else Put32(out, uint32_t(lba));
    };
    const int n = disc->RecordedTrackCount();
    if (format == 0x00) {
        if (n == 0 || (track > n && track != 0xAA)) {
            a.CheckCondition(0x05, 0x24, 0x00);
            return;
        }
        d[2] = 1;
        d[3] = uint8_t(n);
        size_t at = 4;
        for (const auto& t : disc->Tracks()) {
            if (t.invisible || (track != 0xAA && t.number < track)) continue;
            d[at + 1] = 0x14;  // ADR 1, data track
            d[at + 2] = uint8_t(t.number);
            address(d + at + 4, t.start);
            at += 8;
        }
        d[at + 1] = 0x14;
        d[at + 2] = 0xAA;
        address(d + at + 4, disc->RecordedEnd());
        at += 8;
        Put16(d, uint32_t(at - 2));
        SendData(c, a, d, at, allocation);
    } else if (format == 0x01) {
        if (n == 0) {
            a.CheckCondition(0x05, 0x24, 0x00);
            return;
        }
        Put16(d, 10);
        d[2] = 1;
        d[3] = 1;
        d[5] = 0x14;
        d[6] = 1;
        address(d + 8, disc->Tracks().front().start);
        SendData(c, a, d, 12, allocation);
    } else if (format == 0x04 && disc->Family() == DiscFamily::Cd && disc->Info().medium != Medium::Rom) {
        // ATIP times are minutes, seconds and frames whatever the MSF bit says.
        const DiscConfig& s = disc->Config();
        const bool rw = disc->Info().medium == Medium::Rewritable;
        Put16(d, 26);
        d[4] = 0x52;  // indicative writing power 5, reference speed 2
        d[5] = rw ? 0x00 : 0x40;
        d[6] = uint8_t(0x80 | (rw ? 0x40 : 0x00) | ((s.atipSubType & 7) << 3));
        d[8] = uint8_t(s.leadInStart.minute);
        d[9] = uint8_t(s.leadInStart.second);
        d[10] = uint8_t(s.leadInStart.frame);
        d[12] = uint8_t(s.lastLeadOutStart.minute);
        d[13] = uint8_t(s.lastLeadOutStart.second);
        d[14] = uint8_t(s.lastLeadOutStart.frame);
        SendData(c, a, d, 28, allocation);
    } else {
        a.CheckCondition(0x05, 0x24, 0x00);
    }
}

void MmcDrive::ReadDiscInformation(const ScsiCommand& c, ScsiAnswer& a) {
    if ((c.cdb[1] & 0x07) != 0) {
        a.CheckCondition(0x05, 0x24, 0x00);
        return;
    }
    if (!MediumReady(a)) return;
    const uint32_t allocation = Get16(c.cdb + 7);
    uint8_t* d = reply;
    std::memset(d, 0, 34);
    Put16(d, 32);
    uint8_t sessionState = 3, status = 2;  // complete
    if (disc->Config().appendable) {
        sessionState = disc->RecordedTrackCount() ? 1 : 0;
        status = disc->RecordedTrackCount() ? 1 : 0;
    } else if (disc->Info().randomAccess) {
        status = 3;
    }
    d[2] = uint8_t((disc->Erasable() ? 0x10 : 0x00) | sessionState << 2 | status);
    const auto& tracks = disc->Tracks();
    const int last = tracks.empty() ? 1 : tracks.back().number;
    d[3] = 1;
    d[4] = 1;
    d[5] = 1;
    d[6] = uint8_t(last);
    d[7] = 0x20;  // unrestricted use
    d[11] = uint8_t(last >> 8);
    if (disc->Family() == DiscFamily::Cd) {
        if (disc->Config().appendable) PutMsf(d + 16, disc->LeadInLba());
        else Put32(d + 16, 0xFFFFFFFF);
        PutMsf(d + 20, disc->CdCapacity());
    } else {
        Put32(d + 16, disc->Config().appendable ? uint32_t(tracks.back().start) : 0xFFFFFFFF);
        Put32(d + 20, uint32_t(disc->UserCapacity()));
    }
    SendData(c, a, d, 34, allocation);
}

void MmcDrive::ReadTrackInformation(const ScsiCommand& c, ScsiAnswer& a) {
    if (!MediumReady(a)) return;
    const uint8_t type = c.cdb[1] & 0x03;
    const uint32_t address = Get32(c.cdb + 2);
    const uint32_t allocation = Get16(c.cdb + 7);
    const auto& tracks = disc->Tracks();
    const Track* t = nullptr;
    if (type == 0) {
        for (const auto& x : tracks)
            if (address >= x.start && address < x.start + x.length) t = &x;
        if (!t) {
            a.CheckCondition(0x05, 0x21, 0x00);
            return;
        }
    } else if (type == 1) {
        if (address == 0xFF && !tracks.empty() && tracks.back().invisible) t = &tracks.back();
        for (const auto& x : tracks)
            if (uint32_t(x.number) == address) t = &x;
    } else if (type == 2 && address == 1 && !tracks.empty()) {
        t = &tracks.front();
    }
    if (!t) {
        a.CheckCondition(0x05, 0x24, 0x00);
        return;
    }
    uint8_t* d = reply;
    std::memset(d, 0, 48);
    Put16(d, 46);
    d[2] = uint8_t(t->number);
    d[3] = 1;
    d[5] = 0x04;  // data track, recorded uninterrupted
    Put32(d + 8, uint32_t(t->start));
    if (t->invisible) {
        d[6] = 0x40 | 0x01;  // blank, data mode 1
        d[7] = 0x01;         // next writable address valid
        Put32(d + 12, uint32_t(t->start));
        Put32(d + 16, uint32_t(t->length));
    } else {
        d[6] = 0x01;
        d[7] = 0x02;  // last recorded address valid
        Put32(d + 28, uint32_t(t->start + t->length - 1));
    }
    Put32(d + 24, uint32_t(t->length));
    d[32] = uint8_t(t->number >> 8);
    SendData(c, a, d, 48, allocation);
}

void MmcDrive::ReadDiscStructure(const ScsiCommand& c, ScsiAnswer& a) {
    const uint8_t mediaType = c.cdb[1] & 0x0F, layer = c.cdb[6], format = c.cdb[7];
    const uint32_t allocation = Get16(c.cdb + 8);
    if (mediaType > 1) {
        a.CheckCondition(0x05, 0x24, 0x00);
        return;
    }
    if (!MediumReady(a)) return;
    const DiscFamily f = disc->Family();
    const bool dvdLike = f == DiscFamily::Dvd || f == DiscFamily::HdDvd;
    if ((mediaType == 0 && !dvdLike) || (mediaType == 1 && f != DiscFamily::Bd)) {
        a.CheckCondition(0x05, 0x30, 0x02);  // CANNOT READ MEDIUM - INCOMPATIBLE FORMAT
        return;
    }
    uint8_t* d = reply;
    if (mediaType == 0) {
        if (layer >= disc->Layers() || (format != 0x00 && format != 0x01)) {
            a.CheckCondition(0x05, 0x24, 0x00);
            return;
        }
        if (format == 0x01) {  // copyright: no protection, all regions
            std::memset(d, 0, 8);
            Put16(d, 6);
            SendData(c, a, d, 8, allocation);
            return;
        }
        std::memset(d, 0, 2052);
        Put16(d, 2050);
        const Medium m = disc->Info().medium;
        d[4] = uint8_t((disc->BookType() & 0x0F) << 4 | 0x01);
        d[5] = 0x02;
        const uint8_t layerType = m == Medium::Rom ? 0x01 : m == Medium::Recordable ? 0x02 : 0x04;
        d[6] = uint8_t((disc->Layers() - 1) << 5 | (disc->Layers() > 1 ? 0x10 : 0x00) | layerType);
        d[7] = 0x10;
        Put24(d + 9, uint32_t(disc->DataStartPsn()));
        Put24(d + 13, uint32_t(disc->DataEndPsn()));
        Put24(d + 17, uint32_t(disc->Layer0EndPsn()));
        SendData(c, a, d, 2052, allocation);
        return;
    }
    if (format == 0x00) {
        std::memset(d, 0, 4100);
        Put16(d, 4098);
        for (int k = 0; k < disc->Layers(); k++) {
            uint8_t* u = d + 4 + 112 * k;
            u[0] = 'D';
            u[1] = 'I';
            u[2] = 0x01;
            u[3] = uint8_t(k);
            std::memcpy(u + 8, disc->Info().bdIdentifier, 3);
            u[11] = 0x01;
            const Medium m = disc->Info().medium;
            u[12] = uint8_t(disc->Layers() << 4 | (m == Medium::Rom ? 0x01 : m == Medium::Recordable ? 0x02 : 0x04));
            // Data zone of the layer: first sector / 8, last sector as (PSN - 15) / 8.
            const int64_t first = k == 0 ? disc->DataStartPsn() : disc->Layer1ZoneStartPsn();
            const int64_t last = k == 0 ? disc->Layer0EndPsn() : 0x1FFFFFF - disc->DataStartPsn();
            Put32(u + 24, uint32_t(first / 8));
            Put32(u + 28, uint32_t((last - 15) / 8));
        }
        SendData(c, a, d, 4100, allocation);
        return;
    }
    if (format == 0x08) {
        if (disc->Info().medium == Medium::Rom) {
            a.CheckCondition(0x05, 0x30, 0x02);  // a pressed disc has no defect management
            return;
        }
        const DiscConfig& s = disc->Config();
        std::memset(d, 0, 2052);
        Put16(d, 2050);
        d[4] = 'D';
        d[5] = 'S';
        d[6] = 0x01;
        Put32(d + 40, uint32_t(disc->UserCapacity() - 1));  // last user LSN
        Put32(d + 44, uint32_t(s.isa0Clusters));
        Put32(d + 48, uint32_t(s.osaClusters));
        Put32(d + 52, uint32_t(disc->Layers() > 1 ? s.isa1Clusters : 0));
        SendData(c, a, d, 2052, allocation);
        return;
    }
    a.CheckCondition(0x05, 0x24, 0x00);
}

}  // namespace emu
