#include "erase/Verify.h"

#include <algorithm>

const char* const kVerifyDisclaimer =
    "This shows only that this drive can no longer read the data through standard commands. "
    "A sample is not proof; for sensitive data, physical destruction of the disc is still the "
    "recommended method.";

namespace {
constexpr uint32_t kSectorSize = 2048;
constexpr uint32_t kChunkSectors = 16;
constexpr uint32_t kTrackHeadSectors = 4096;

class Reader {
public:
    explicit Reader(AtapiDevice& device) : device(device) {}

    bool Read(uint32_t lba, uint32_t count) {
        if (!useRead12) {
            if (device.Read10(lba, uint16_t(count), count * kSectorSize)) return true;
            // A drive that does not know READ(10) gets READ(12) from now on.
            if (!device.IsSense(5, 0x20)) return false;
            useRead12 = true;
        }
        return device.Read12(lba, count, count * kSectorSize);
    }

    // Counts the readable sectors of a run: a failed run is halved until single sectors are
    // left, so an erased run costs one read per chunk.
    uint64_t CountReadable(uint32_t lba, uint32_t count) {
        if (count == 0) return 0;
        if (Read(lba, count)) return count;
        if (count == 1) return 0;
        uint32_t half = count / 2;
        return CountReadable(lba, half) + CountReadable(lba + half, count - half);
    }

private:
    AtapiDevice& device;
    bool useRead12 = false;
};
}  // namespace

VerifyReport VerifyDisc(AtapiDevice& device, uint32_t stride) {
    VerifyReport report;
    if (stride == 0) stride = 1;
    if (device.IsTrayOpen() && !device.LoadMedium() && device.IsTrayOpen()) {
        report.trayOpen = true;
        return report;
    }
    if (!device.WaitUntilReady(120, 300)) {
        if (device.IsSense(2, 0x3A)) report.noDisc = true;
        else if (device.IsSense(2, 0x04) || device.IsSense(6)) report.notReady = true;
        if (report.noDisc || report.notReady) return report;
    }
    if (!device.ReadDiscInformation(256, 0)) return report;
    const uint8_t* b = device.GetDataBuffer();
    uint32_t first = b[3];
    uint32_t last = b[11] * 256u + b[6];
    if (first == 0) first = 1;

    struct Run {
        uint32_t start, count;
    };
    Run heads[64];
    uint32_t headCount = 0;
    Reader reader(device);
    for (uint32_t t = first; t <= last && t <= 0xFFFF; t++) {
        if (!device.ReadTrackInformation(1, t, 4096, 0)) continue;
        uint32_t start = device.ReadBe32(8);
        uint32_t size = device.ReadBe32(24);
        // An open track: up to its next writable address, where that lies behind the start.
        if ((b[7] & 0x01) && device.ReadBe32(12) >= start) size = device.ReadBe32(12) - start;
        report.structureReadable = true;
        report.tracks++;
        report.recordedEnd = std::max<uint64_t>(report.recordedEnd, uint64_t(start) + size);
        uint32_t count = std::min(size, kTrackHeadSectors);
        for (uint32_t at = 0; at < count; at += kChunkSectors) {
            uint32_t n = std::min(kChunkSectors, count - at);
            report.tried += n;
            report.readable += reader.CountReadable(start + at, n);
        }
        if (headCount < 64) heads[headCount++] = {start, count};
    }
    if (!report.structureReadable) return report;

    auto inHead = [&](uint64_t lba) {
        for (uint32_t i = 0; i < headCount; i++)
            if (lba >= heads[i].start && lba < uint64_t(heads[i].start) + heads[i].count) return true;
        return false;
    };
    // Every stride-th sector; with a stride of 1 whole chunks at a time.
    uint32_t step = stride == 1 ? kChunkSectors : stride;
    for (uint64_t lba = 0; lba < report.recordedEnd; lba += step) {
        uint32_t n = stride == 1 ? uint32_t(std::min<uint64_t>(kChunkSectors, report.recordedEnd - lba)) : 1;
        bool overlaps = false;
        for (uint32_t i = 0; i < n && !overlaps; i++) overlaps = inHead(lba + i);
        if (!overlaps) {
            report.tried += n;
            report.readable += reader.CountReadable(uint32_t(lba), n);
            continue;
        }
        for (uint32_t i = 0; i < n; i++) {
            if (inHead(lba + i)) continue;
            report.tried++;
            report.readable += reader.CountReadable(uint32_t(lba + i), 1);
        }
    }
    return report;
}
