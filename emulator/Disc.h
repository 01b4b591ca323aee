// The discs the emulated drives play: kinds, geometry, the physical sector space and what is
// still readable on it.
//
// Every disc is laid out as one spiral: the areas of layer 0 from the inside out, then, on a
// two-layer disc, the areas of layer 1 from the outside in. A spiral position is the index of a
// sector along that path. Physical sector numbers (PSN) are the disc's own numbering: on a CD
// the signed block address (the lead-in is negative), on DVD and HD DVD 24-bit numbers with
// layer 1 numbered as the bitwise complement of layer 0 at the same radius, on BD the same in
// 25 bits. Recorded and erased sectors are kept as intervals of spiral positions.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "emulator/IntervalSet.h"

namespace emu {

enum class DiscFamily { None, Cd, Dvd, Bd, HdDvd };
enum class Medium { None, Rom, Recordable, Rewritable };

enum class DiscKind {
    None,
    CdRom, CdR, CdRw,
    DvdRom, DvdRomDl, DvdR, DvdRDl, DvdPlusR, DvdPlusRDl, DvdRw, DvdPlusRw, DvdRam,
    BdRom, BdRomDl, BdR, BdRDl, BdRe, BdReDl,
    HdDvdRom, HdDvdRomDl, HdDvdR, HdDvdRDl, HdDvdRam, HdDvdRw,
};

struct DiscKindInfo {
    DiscKind kind;
    const char* name;         // "dvd+r-dl"
    DiscFamily family;
    int layers;
    Medium medium;
    uint16_t profile;         // MMC profile a drive that writes the kind reports
    int bookType;             // DVD / HD DVD physical format book type, -1 otherwise
    uint16_t mediaWord;       // vendor page 3Ch word
    const char* bdIdentifier; // "BDO", "BDR", "BDW" or ""
    bool randomAccess;        // written in place (disc status "others")
};

const DiscKindInfo& InfoOf(DiscKind kind);
bool DiscKindFromName(const std::string& name, DiscKind& kind);
const std::vector<DiscKindInfo>& AllDiscKinds();

struct Msf {
    int minute = 0, second = 0, frame = 0;
    int64_t Frames() const { return int64_t(minute) * 4500 + second * 75 + frame; }
};

struct TrackConfig {
    int64_t start = -1;  // logical block address; -1 = right behind the previous track
    int64_t length = 0;  // recorded blocks
};

struct DiscConfig {
    DiscKind kind = DiscKind::None;
    bool appendable = false;        // last session left open: an empty invisible track follows
    std::vector<TrackConfig> tracks;  // recorded tracks, in order
    int64_t appendGap = 0;          // blocks between the recorded end and the invisible track

    // CD
    Msf leadInStart{97, 26, 66};       // ATIP start time of the lead-in
    Msf lastLeadOutStart{79, 59, 74};  // ATIP last possible start of the lead-out
    int atipSubType = 0;               // ATIP byte 6 bits 5-3
    int64_t pmaSectors = 4500;         // power calibration and program memory areas before the lead-in

    // DVD and HD DVD: sectors behind the data (single layer), middle areas (two layers)
    int64_t leadOutSectors = 6750;  // CD: the lead-out written behind a closed session
    int64_t middleSectors = 0x3000;

    // DVD, HD DVD and BD
    int64_t layerSectors = 0;        // data zone of one layer
    int64_t innerStartPsn = 0x20000; // first sector of the inner area
    int64_t dataStartPsn = 0x30000;  // first sector of the data zone (BD 100000h)

    // BD spare areas in 32-sector clusters, and the outer zone of each layer
    int64_t isa0Clusters = 0, osaClusters = 0, isa1Clusters = 0;
    int64_t outerZoneSectors = 7552;

    // Identification overrides; -1 takes the kind's value.
    int profile = -1;
    int mediaWord = -1;
    int bookType = -1;
    int erasable = -1;
};

// A realistic recorded disc of the kind: a 700 MB CD-R, a 4.7 GB DVD, a 25/50 GB BD, ...
DiscConfig DefaultDiscConfig(DiscKind kind);

struct DiscArea {
    std::string name;
    int layer = 0;
    int64_t firstPsn = 0;
    int64_t sectors = 0;
    int64_t spiralStart = 0;
    bool userData = false;  // holds logical blocks; recorded as far as the tracks go
    bool recorded = false;  // for the other areas: written on this disc
    int64_t LastPsn() const { return firstPsn + sectors - 1; }
};

struct SectorRun {
    int64_t first = 0;  // PSN
    int64_t count = 0;
    bool operator==(const SectorRun&) const = default;
};

struct Track {
    int number = 0;
    int64_t start = 0;   // logical block address
    int64_t length = 0;  // recorded blocks; for the invisible track the free blocks
    bool invisible = false;
};

class Disc {
public:
    // Lays out the disc; false with a text naming the offending value when the config is unusable.
    static bool Create(const DiscConfig& config, std::shared_ptr<Disc>& disc, std::string& error);

    const DiscConfig& Config() const { return config; }
    const DiscKindInfo& Info() const { return InfoOf(config.kind); }
    DiscFamily Family() const { return Info().family; }
    int Layers() const { return Info().layers; }
    bool Closed() const { return !config.appendable; }
    uint16_t Profile() const;
    uint16_t MediaWord() const;
    int BookType() const;
    bool Erasable() const;

    // Geometry.
    const std::vector<DiscArea>& Areas() const { return areas; }
    const DiscArea* FindArea(const std::string& name) const;
    int64_t SpiralLength() const { return spiralLength; }
    const std::vector<Track>& Tracks() const { return tracks; }  // recorded, then the invisible one
    int RecordedTrackCount() const { return recordedTracks; }
    int64_t RecordedEnd() const { return recordedEnd; }  // one past the last recorded block
    int64_t UserCapacity() const { return userCapacity; }
    int64_t LeadInLba() const { return leadInLba; }             // CD
    int64_t CdCapacity() const { return cdCapacity; }           // CD: first block of the lead-out room
    int64_t DataStartPsn() const { return config.dataStartPsn; }  // DVD: data area; BD: data zone
    int64_t DataEndPsn() const;         // DVD: last sector of the data area, on the last layer
    int64_t Layer0EndPsn() const;       // DVD: last data sector of layer 0 (0 on one layer); BD: end of the layer-0 data zone
    int64_t Layer1ZoneStartPsn() const; // BD two layers: first sector of the layer-1 data zone
    int64_t UserStartPsn() const;       // BD: first user sector

    // Addressing.
    bool PsnToSpiral(int64_t psn, int64_t& position) const;
    bool SpiralToPsn(int64_t position, int64_t& psn) const;
    bool LbaToSpiral(int64_t lba, int64_t& position) const;
    bool LbaToPsn(int64_t lba, int64_t& psn) const;

    // State.
    bool IsRecordedAt(int64_t position) const { return recorded.Contains(position); }
    bool IsErasedAt(int64_t position) const { return erased.Contains(position); }
    void Erase(int64_t beginPosition, int64_t endPosition) { erased.Add(beginPosition, endPosition); }

    // What tests look at, in physical sector numbers.
    bool IsPsnReadable(int64_t psn) const;
    bool IsPsnErased(int64_t psn) const;
    bool IsLbaReadable(int64_t lba) const;
    // The first block of [lba, lba + count) that cannot be read, or -1 when all can.
    int64_t FirstUnreadableLba(int64_t lba, int64_t count) const;
    std::vector<SectorRun> ErasedRuns() const;  // whole disc, in spiral order
    std::vector<SectorRun> ErasedRuns(const std::string& area) const;
    std::vector<SectorRun> ReadableRuns(const std::string& area) const;
    int64_t ErasedCount() const;
    const IntervalSet& ErasedPositions() const { return erased; }
    const IntervalSet& RecordedPositions() const { return recorded; }

private:
    Disc() = default;
    bool Layout(std::string& error);
    bool LayoutCd(std::string& error);
    bool LayoutDvd(std::string& error);
    bool LayoutBd(std::string& error);
    void AddArea(const std::string& name, int layer, int64_t firstPsn, int64_t sectors, bool userData, bool isRecorded);
    std::vector<SectorRun> ToRuns(const std::vector<Interval>& positions) const;

    DiscConfig config;
    std::vector<DiscArea> areas;
    std::vector<Track> tracks;
    int recordedTracks = 0;
    int64_t recordedEnd = 0;
    int64_t userCapacity = 0;
    int64_t spiralLength = 0;
    int64_t leadInLba = 0;
    int64_t cdCapacity = 0;
    IntervalSet recorded;
    IntervalSet erased;
};

}  // namespace emu
