#include "emulator/Disc.h"

#include <algorithm>

namespace emu {

namespace {

using F = DiscFamily;
using M = Medium;
using K = DiscKind;

// Media words the program knows are taken from its table; BD and most HD DVD kinds have none
// there, so they carry words of their own with the layer count in the top bits of the low byte.
const std::vector<DiscKindInfo> kKinds = {
    {K::None, "none", F::None, 0, M::None, 0x0000, -1, 0x0000, "", false},
    {K::CdRom, "cd-rom", F::Cd, 1, M::Rom, 0x0008, -1, 0x2470, "", false},
    {K::CdR, "cd-r", F::Cd, 1, M::Recordable, 0x0009, -1, 0x2970, "", false},
    {K::CdRw, "cd-rw", F::Cd, 1, M::Rewritable, 0x000A, -1, 0x2D70, "", false},
    {K::DvdRom, "dvd-rom", F::Dvd, 1, M::Rom, 0x0010, 0, 0x4440, "", false},
    {K::DvdRomDl, "dvd-rom-dl", F::Dvd, 2, M::Rom, 0x0010, 0, 0x4480, "", false},
    {K::DvdR, "dvd-r", F::Dvd, 1, M::Recordable, 0x0011, 2, 0x4970, "", false},
    {K::DvdRDl, "dvd-r-dl", F::Dvd, 2, M::Recordable, 0x0015, 2, 0x5CB0, "", false},
    {K::DvdPlusR, "dvd+r", F::Dvd, 1, M::Recordable, 0x001B, 10, 0x4A70, "", false},
    {K::DvdPlusRDl, "dvd+r-dl", F::Dvd, 2, M::Recordable, 0x002B, 14, 0x4AB0, "", false},
    {K::DvdRw, "dvd-rw", F::Dvd, 1, M::Rewritable, 0x0014, 3, 0x4D70, "", false},
    {K::DvdPlusRw, "dvd+rw", F::Dvd, 1, M::Rewritable, 0x001A, 9, 0x4E70, "", true},
    {K::DvdRam, "dvd-ram", F::Dvd, 1, M::Rewritable, 0x0012, 1, 0x5170, "", true},
    {K::BdRom, "bd-rom", F::Bd, 1, M::Rom, 0x0040, -1, 0x8630, "BDO", false},
    {K::BdRomDl, "bd-rom-dl", F::Bd, 2, M::Rom, 0x0040, -1, 0x86B0, "BDO", false},
    {K::BdR, "bd-r", F::Bd, 1, M::Recordable, 0x0041, -1, 0x8670, "BDR", false},
    {K::BdRDl, "bd-r-dl", F::Bd, 2, M::Recordable, 0x0041, -1, 0x88B0, "BDR", false},
    {K::BdRe, "bd-re", F::Bd, 1, M::Rewritable, 0x0043, -1, 0x8770, "BDW", true},
    {K::BdReDl, "bd-re-dl", F::Bd, 2, M::Rewritable, 0x0043, -1, 0x87B0, "BDW", true},
    {K::HdDvdRom, "hddvd-rom", F::HdDvd, 1, M::Rom, 0x0050, 4, 0x8530, "", false},
    {K::HdDvdRomDl, "hddvd-rom-dl", F::HdDvd, 2, M::Rom, 0x0050, 4, 0x85B0, "", false},
    {K::HdDvdR, "hddvd-r", F::HdDvd, 1, M::Recordable, 0x0051, 5, 0x8570, "", false},
    {K::HdDvdRDl, "hddvd-r-dl", F::HdDvd, 2, M::Recordable, 0x0058, 5, 0x89B0, "", false},
    {K::HdDvdRam, "hddvd-ram", F::HdDvd, 1, M::Rewritable, 0x0052, 6, 0x8D70, "", true},
    {K::HdDvdRw, "hddvd-rw", F::HdDvd, 1, M::Rewritable, 0x0053, 7, 0x8E70, "", false},
};

int64_t Complement24(int64_t psn) { return 0xFFFFFF - psn; }
int64_t Complement25(int64_t psn) { return 0x1FFFFFF - psn; }

std::string Num(int64_t v) { return std::to_string(v); }

}  // namespace

const DiscKindInfo& InfoOf(DiscKind kind) {
    for (const auto& k : kKinds)
        if (k.kind == kind) return k;
    return kKinds.front();
}

bool DiscKindFromName(const std::string& name, DiscKind& kind) {
    for (const auto& k : kKinds)
        if (name == k.name) {
            kind = k.kind;
            return true;
        }
    return false;
}

const std::vector<DiscKindInfo>& AllDiscKinds() { return kKinds; }

DiscConfig DefaultDiscConfig(DiscKind kind) {
    DiscConfig s;
    s.kind = kind;
    const auto& info = InfoOf(kind);
    auto oneTrack = [&](int64_t length) { s.tracks = {TrackConfig{-1, length}}; };
    switch (info.family) {
        case F::None:
            break;
        case F::Cd:
            s.appendGap = 152;  // two run-out blocks and the next track's pre-gap
            s.leadOutSectors = 6750;
            if (kind == K::CdRw) s.leadInStart = {97, 15, 0};
            oneTrack(kind == K::CdRom ? 300000 : 225000);
            break;
        case F::Dvd:
        case F::HdDvd: {
            s.leadOutSectors = 0x3000;
            s.middleSectors = 0x3000;
            s.dataStartPsn = 0x30000;
            int64_t layer = 2295104;
            switch (kind) {
                case K::DvdR: layer = 2298496; break;
                case K::DvdRDl: layer = 2085856; break;
                case K::DvdPlusRDl: case K::DvdRomDl: layer = 2086912; break;
                case K::DvdRw: layer = 2297888; break;
                case K::DvdRam: layer = 2236704; break;
                default: break;
            }
            if (info.family == F::HdDvd) layer = 7340032;
            s.layerSectors = layer;
            if (info.randomAccess) oneTrack(layer * info.layers);
            else if (info.family == F::HdDvd) oneTrack(info.layers == 2 ? 9000000 : 3000000);
            else if (info.medium == M::Rom) oneTrack(info.layers == 2 ? 3500000 : 2000000);
            else oneTrack(info.layers == 2 ? 3000000 : 1200000);
            break;
        }
        case F::Bd:
            s.dataStartPsn = 0x100000;
            s.layerSectors = 12219392;  // 25 GB per layer
            if (info.randomAccess) oneTrack(s.layerSectors * info.layers);
            else if (info.medium == M::Rom) oneTrack(info.layers == 2 ? 20000000 : 10000000);
            else oneTrack(info.layers == 2 ? 15000000 : 6000000);
            break;
    }
    return s;
}

uint16_t Disc::Profile() const { return config.profile >= 0 ? uint16_t(config.profile) : Info().profile; }
uint16_t Disc::MediaWord() const { return config.mediaWord >= 0 ? uint16_t(config.mediaWord) : Info().mediaWord; }
int Disc::BookType() const { return config.bookType >= 0 ? config.bookType : Info().bookType; }
bool Disc::Erasable() const {
    return config.erasable >= 0 ? config.erasable != 0 : Info().medium == M::Rewritable;
}

bool Disc::Create(const DiscConfig& config, std::shared_ptr<Disc>& disc, std::string& error) {
    std::shared_ptr<Disc> d(new Disc());
    d->config = config;
    if (!d->Layout(error)) return false;
    disc = d;
    return true;
}

void Disc::AddArea(const std::string& name, int layer, int64_t firstPsn, int64_t sectors, bool userData,
                   bool isRecorded) {
    if (sectors <= 0) return;
    DiscArea a;
    a.name = name;
    a.layer = layer;
    a.firstPsn = firstPsn;
    a.sectors = sectors;
    a.spiralStart = spiralLength;
    a.userData = userData;
    a.recorded = isRecorded;
    areas.push_back(a);
    if (isRecorded && !userData) recorded.Add(spiralLength, spiralLength + sectors);
    spiralLength += sectors;
}

bool Disc::Layout(std::string& error) {
    const auto& info = Info();
    if (info.family == F::None) return true;
    if (info.medium == M::Rom && config.appendable) {
        error = "appendable: a pressed disc cannot be appendable";
        return false;
    }
    if (config.tracks.empty() && !config.appendable) {
        error = "tracks: a closed disc needs at least one recorded track";
        return false;
    }
    int64_t end = 0;
    for (size_t i = 0; i < config.tracks.size(); i++) {
        const auto& t = config.tracks[i];
        int64_t start = t.start < 0 ? end : t.start;
        if (t.length <= 0) {
            error = "tracks[" + Num(int64_t(i)) + "].length: must be above 0";
            return false;
        }
        if (start < end) {
            error = "tracks[" + Num(int64_t(i)) + "].start: " + Num(start) + " overlaps the previous track, which ends at " + Num(end);
            return false;
        }
        tracks.push_back(Track{int(i) + 1, start, t.length, false});
        end = start + t.length;
    }
    recordedTracks = int(tracks.size());
    recordedEnd = end;
    if (config.atipSubType < 0 || config.atipSubType > 7) {
        error = "atipSubType: must be 0 to 7";
        return false;
    }
    if (config.appendGap < 0) {
        error = "appendGap: must not be negative";
        return false;
    }

    bool ok = info.family == F::Cd ? LayoutCd(error) : info.family == F::Bd ? LayoutBd(error) : LayoutDvd(error);
    if (!ok) return false;
    if (recordedEnd > userCapacity) {
        error = "tracks: they end at block " + Num(recordedEnd) + ", past the disc's capacity of " + Num(userCapacity) + " blocks";
        return false;
    }
    if (config.appendable) {
        int64_t start = recordedEnd + config.appendGap;
        if (start >= userCapacity) {
            error = "appendable: no room is left behind the recorded tracks";
            return false;
        }
        tracks.push_back(Track{recordedTracks + 1, start, userCapacity - start, true});
    }
    // The user blocks written so far, laid onto the spiral one user area at a time.
    int64_t lba = 0;
    for (const auto& a : areas) {
        if (!a.userData) continue;
        int64_t n = std::min(a.sectors, std::max<int64_t>(0, recordedEnd - lba));
        if (n > 0) recorded.Add(a.spiralStart, a.spiralStart + n);
        lba += a.sectors;
    }
    return true;
}

bool Disc::LayoutCd(std::string& error) {
    const Msf& li = config.leadInStart;
    if (li.minute < 90 || li.minute > 99 || li.second < 0 || li.second > 59 || li.frame < 0 || li.frame > 74) {
        error = "leadInStart: must be a time from 90:00:00 to 99:59:74";
        return false;
    }
    const Msf& lo = config.lastLeadOutStart;
    if (lo.minute < 0 || lo.minute > 89 || lo.second < 0 || lo.second > 59 || lo.frame < 0 || lo.frame > 74 || lo.Frames() <= 150) {
        error = "lastLeadOutStart: must be a time from 00:02:01 to 89:59:74";
        return false;
    }
    if (config.pmaSectors < 0 || config.leadOutSectors < 0) {
        error = config.pmaSectors < 0 ? "pmaSectors: must not be negative" : "leadOutSectors: must not be negative";
        return false;
    }
    leadInLba = li.Frames() - 450150;
    cdCapacity = lo.Frames() - 150;
    if (leadInLba - config.pmaSectors < 90 * 4500 - 450150) {
        error = "pmaSectors: the areas before the lead-in would start below 90:00:00";
        return false;
    }
    bool closed = Closed();
    bool rom = Info().medium == M::Rom;
    if (!rom) AddArea("pma", 0, leadInLba - config.pmaSectors, config.pmaSectors, false, true);
    AddArea("lead-in", 0, leadInLba, -150 - leadInLba, false, closed);
    AddArea("pre-gap", 0, -150, 150, false, recordedTracks > 0);
    AddArea("program", 0, 0, cdCapacity, true, false);
    AddArea("outer", 0, cdCapacity, config.leadOutSectors, false, false);
    userCapacity = cdCapacity;
    // A closed session ends in its lead-out, written right behind the last track.
    if (closed && recordedTracks > 0) {
        int64_t from = recordedEnd;  // PSN = block address on a CD
        int64_t begin = 0;
        if (from < cdCapacity && PsnToSpiral(from, begin))
            recorded.Add(begin, std::min(spiralLength, begin + config.leadOutSectors));
    }
    return true;
}

bool Disc::LayoutDvd(std::string& error) {
    const int64_t inner = config.innerStartPsn, start = config.dataStartPsn, layer = config.layerSectors;
    if (inner < 0 || start <= inner || layer <= 0 || config.middleSectors < 0 || config.leadOutSectors < 0) {
        error = layer <= 0 ? "layerSectors: must be above 0"
              : start <= inner ? "dataStartPsn: must lie above innerStartPsn"
              : "middleSectors/leadOutSectors: must not be negative";
        return false;
    }
    bool closed = Closed();
    if (Layers() == 1) {
        int64_t data = closed ? recordedEnd : layer;
        if (recordedEnd > layer) {
            error = "tracks: they end at block " + Num(recordedEnd) + ", past the layer's " + Num(layer) + " blocks";
            return false;
        }
        if (start + data + config.leadOutSectors > 0xFFFFFF) {
            error = "layerSectors: the disc does not fit 24-bit sector numbers";
            return false;
        }
        AddArea("lead-in", 0, inner, start - inner, false, true);
        AddArea("data", 0, start, data, true, false);
        AddArea("lead-out", 0, start + data, config.leadOutSectors, false, closed);
        userCapacity = layer;
        return true;
    }
    // Opposite track path: layer 1 runs back inwards, numbered as the complement of layer 0.
    const int64_t e = start + layer - 1, m = config.middleSectors;
    if (e + m >= 0x800000) {
        error = "layerSectors: layer 0 reaches into layer 1's sector numbers";
        return false;
    }
    bool jumped = closed || recordedEnd > layer;
    int64_t data1 = closed ? std::max<int64_t>(0, recordedEnd - layer) : layer;
    AddArea("lead-in", 0, inner, start - inner, false, true);
    AddArea("data-0", 0, start, layer, true, false);
    AddArea("middle-0", 0, e + 1, m, false, jumped);
    AddArea("middle-1", 1, Complement24(e + m), m, false, jumped);
    AddArea("data-1", 1, Complement24(e), data1, true, false);
    int64_t leadOutFirst = Complement24(e) + data1;
    AddArea("lead-out-1", 1, leadOutFirst, Complement24(inner) - leadOutFirst + 1, false, closed);
    userCapacity = 2 * layer;
    return true;
}

bool Disc::LayoutBd(std::string& error) {
    const int64_t inner = config.innerStartPsn, zone = config.dataStartPsn, layer = config.layerSectors;
    const int64_t isa0 = 32 * config.isa0Clusters, osa = 32 * config.osaClusters, isa1 = 32 * config.isa1Clusters;
    if (layer <= 0 || layer % 32 != 0) {
        error = "layerSectors: must be a positive multiple of 32 (one cluster)";
        return false;
    }
    if (config.isa0Clusters < 0 || config.osaClusters < 0 || config.isa1Clusters < 0 || isa0 + osa >= layer || isa1 + osa >= layer) {
        error = "isa0Clusters/osaClusters/isa1Clusters: the spare areas must leave room for user data";
        return false;
    }
    if (inner < 0 || zone <= inner || zone % 32 != 0 || config.outerZoneSectors < 0) {
        error = zone % 32 != 0 ? "dataStartPsn: must be a multiple of 32" : "innerStartPsn/dataStartPsn/outerZoneSectors: out of order";
        return false;
    }
    const int64_t e = zone + layer - 1, outer = config.outerZoneSectors;
    if (e + outer >= 0x1000000) {
        error = "layerSectors: layer 0 reaches into layer 1's sector numbers";
        return false;
    }
    AddArea("inner-0", 0, inner, zone - inner, false, true);
    AddArea("isa-0", 0, zone, isa0, false, true);
    AddArea("user-0", 0, zone + isa0, layer - isa0 - osa, true, false);
    AddArea("osa-0", 0, e - osa + 1, osa, false, true);
    AddArea("outer-0", 0, e + 1, outer, false, true);
    userCapacity = layer - isa0 - osa;
    if (Layers() == 2) {
        AddArea("outer-1", 1, Complement25(e + outer), outer, false, true);
        AddArea("osa-1", 1, Complement25(e), osa, false, true);
        AddArea("user-1", 1, Complement25(e) + osa, layer - osa - isa1, true, false);
        AddArea("isa-1", 1, Complement25(zone) - isa1 + 1, isa1, false, true);
        AddArea("inner-1", 1, Complement25(zone) + 1, Complement25(inner) - Complement25(zone), false, true);
        userCapacity += layer - osa - isa1;
    }
    return true;
}

int64_t Disc::DataEndPsn() const {
    int64_t last = 0;
    for (const auto& a : areas)
        if (a.userData) last = a.LastPsn();
    return last;
}

int64_t Disc::Layer0EndPsn() const {
    if (Family() == F::Bd) return config.dataStartPsn + config.layerSectors - 1;
    if (Layers() < 2) return 0;
    return config.dataStartPsn + config.layerSectors - 1;
}

int64_t Disc::Layer1ZoneStartPsn() const {
    return Layers() < 2 ? 0 : Complement25(config.dataStartPsn + config.layerSectors - 1);
}

int64_t Disc::UserStartPsn() const {
    return Family() == F::Bd ? config.dataStartPsn + 32 * config.isa0Clusters : config.dataStartPsn;
}

const DiscArea* Disc::FindArea(const std::string& name) const {
    for (const auto& a : areas)
        if (a.name == name) return &a;
    return nullptr;
}

bool Disc::PsnToSpiral(int64_t psn, int64_t& position) const {
    for (const auto& a : areas)
        if (psn >= a.firstPsn && psn <= a.LastPsn()) {
            position = a.spiralStart + (psn - a.firstPsn);
            return true;
        }
    return false;
}

bool Disc::SpiralToPsn(int64_t position, int64_t& psn) const {
    for (const auto& a : areas)
        if (position >= a.spiralStart && position < a.spiralStart + a.sectors) {
            psn = a.firstPsn + (position - a.spiralStart);
            return true;
        }
    return false;
}

bool Disc::LbaToSpiral(int64_t lba, int64_t& position) const {
    if (lba < 0) return false;
    for (const auto& a : areas) {
        if (!a.userData) continue;
        if (lba < a.sectors) {
            position = a.spiralStart + lba;
            return true;
        }
        lba -= a.sectors;
    }
    return false;
}

bool Disc::LbaToPsn(int64_t lba, int64_t& psn) const {
    int64_t position = 0;
    return LbaToSpiral(lba, position) && SpiralToPsn(position, psn);
}

bool Disc::IsPsnReadable(int64_t psn) const {
    int64_t p = 0;
    return PsnToSpiral(psn, p) && recorded.Contains(p) && !erased.Contains(p);
}

bool Disc::IsPsnErased(int64_t psn) const {
    int64_t p = 0;
    return PsnToSpiral(psn, p) && erased.Contains(p);
}

bool Disc::IsLbaReadable(int64_t lba) const {
    int64_t p = 0;
    return lba < recordedEnd && LbaToSpiral(lba, p) && recorded.Contains(p) && !erased.Contains(p);
}

int64_t Disc::FirstUnreadableLba(int64_t lba, int64_t count) const {
    if (count <= 0) return -1;
    if (lba < 0 || lba >= recordedEnd) return std::max<int64_t>(lba, 0);
    int64_t areaLba = 0;  // first block of the current user area
    for (const auto& a : areas) {
        if (!a.userData) continue;
        const int64_t from = std::max(lba, areaLba), to = std::min(lba + count, areaLba + a.sectors);
        if (from < to) {
            const int64_t begin = a.spiralStart + (from - areaLba), end = a.spiralStart + (to - areaLba);
            int64_t first = end;
            auto missing = recorded.Uncovered(begin, end);
            auto gone = erased.Covered(begin, end);
            if (!missing.empty()) first = std::min(first, missing.front().begin);
            if (!gone.empty()) first = std::min(first, gone.front().begin);
            if (first < end) return areaLba + (first - a.spiralStart);
        }
        areaLba += a.sectors;
    }
    return lba + count > recordedEnd ? recordedEnd : -1;
}

std::vector<SectorRun> Disc::ToRuns(const std::vector<Interval>& positions) const {
    std::vector<SectorRun> runs;
    for (const auto& v : positions)
        for (const auto& a : areas) {
            int64_t b = std::max(v.begin, a.spiralStart), e = std::min(v.end, a.spiralStart + a.sectors);
            if (b >= e) continue;
            int64_t first = a.firstPsn + (b - a.spiralStart);
            if (!runs.empty() && runs.back().first + runs.back().count == first) runs.back().count += e - b;
            else runs.push_back(SectorRun{first, e - b});
        }
    return runs;
}

std::vector<SectorRun> Disc::ErasedRuns() const { return ToRuns(erased.Intervals()); }

std::vector<SectorRun> Disc::ErasedRuns(const std::string& name) const {
    const DiscArea* a = FindArea(name);
    if (!a) return {};
    return ToRuns(erased.Covered(a->spiralStart, a->spiralStart + a->sectors));
}

std::vector<SectorRun> Disc::ReadableRuns(const std::string& name) const {
    const DiscArea* a = FindArea(name);
    if (!a) return {};
    std::vector<Interval> readable;
    for (const auto& r : recorded.Covered(a->spiralStart, a->spiralStart + a->sectors))
        for (const auto& u : erased.Uncovered(r.begin, r.end)) readable.push_back(u);
    return ToRuns(readable);
}

int64_t Disc::ErasedCount() const {
    int64_t n = 0;
    for (const auto& v : erased.Intervals()) n += v.end - v.begin;
    return n;
}

}  // namespace emu
