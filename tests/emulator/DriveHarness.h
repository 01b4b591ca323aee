// Sends command blocks straight to one emulated drive on a virtual clock, and reads the answer.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "emulator/MmcDrive.h"
#include "emulator/Scenario.h"

namespace emu::test {

using Cdb = std::vector<uint8_t>;

inline Cdb TestUnitReady() { return {0x00}; }
inline Cdb RequestSense(uint8_t alloc = 32) { return {0x03, 0, 0, 0, alloc}; }
inline Cdb Inquiry(uint8_t alloc = 96, uint8_t control = 0x00) { return {0x12, 0, 0, 0, alloc, control}; }
inline Cdb StartStop(uint8_t byte4) { return {0x1B, 0, 0, 0, byte4}; }
inline Cdb Load() { return StartStop(0x03); }
inline Cdb Eject() { return StartStop(0x02); }
inline Cdb PreventAllow(bool prevent, bool persistent) {
    return {0x1E, 0, 0, 0, uint8_t((persistent ? 2 : 0) | (prevent ? 1 : 0))};
}
inline Cdb ReadCapacity() { return {0x25}; }
inline Cdb Read10(uint32_t lba, uint16_t count) {
    return {0x28, 0, uint8_t(lba >> 24), uint8_t(lba >> 16), uint8_t(lba >> 8), uint8_t(lba), 0, uint8_t(count >> 8), uint8_t(count)};
}
inline Cdb Read12(uint32_t lba, uint32_t count) {
    return {0xA8, 0, uint8_t(lba >> 24), uint8_t(lba >> 16), uint8_t(lba >> 8), uint8_t(lba),
            uint8_t(count >> 24), uint8_t(count >> 16), uint8_t(count >> 8), uint8_t(count)};
}
inline Cdb ReadToc(bool msf, uint8_t format, uint16_t alloc, uint8_t track = 0) {
    return {0x43, uint8_t(msf ? 2 : 0), format, 0, 0, 0, track, uint8_t(alloc >> 8), uint8_t(alloc)};
}
inline Cdb GetConfiguration(uint8_t rt, uint16_t feature, uint16_t alloc) {
    return {0x46, rt, uint8_t(feature >> 8), uint8_t(feature), 0, 0, 0, uint8_t(alloc >> 8), uint8_t(alloc)};
}
inline Cdb EventStatus(uint8_t classes = 0x10, uint16_t alloc = 8, bool polled = true) {
    return {0x4A, uint8_t(polled ? 1 : 0), 0, 0, classes, 0, 0, uint8_t(alloc >> 8), uint8_t(alloc)};
}
inline Cdb DiscInformation(uint16_t alloc = 256) { return {0x51, 0, 0, 0, 0, 0, 0, uint8_t(alloc >> 8), uint8_t(alloc)}; }
inline Cdb TrackInformation(uint32_t track, uint16_t alloc = 4096, uint8_t type = 1) {
    return {0x52, type, uint8_t(track >> 24), uint8_t(track >> 16), uint8_t(track >> 8), uint8_t(track), 0,
            uint8_t(alloc >> 8), uint8_t(alloc)};
}
inline Cdb ModeSense(uint8_t page, uint16_t alloc, bool dbd = false, uint8_t pc = 0) {
    return {0x5A, uint8_t(dbd ? 8 : 0), uint8_t(pc << 6 | page), 0, 0, 0, 0, uint8_t(alloc >> 8), uint8_t(alloc)};
}
inline Cdb DiscStructure(uint8_t mediaType, uint8_t format, uint16_t alloc, uint8_t layer = 0) {
    return {0xAD, mediaType, 0, 0, 0, 0, layer, format, uint8_t(alloc >> 8), uint8_t(alloc)};
}
inline Cdb EraseLba(uint32_t start, uint32_t count, uint8_t flags = 0x80) {
    return {0xDF, 0x1A, uint8_t(start >> 24), uint8_t(start >> 16), uint8_t(start >> 8), uint8_t(start),
            uint8_t(count >> 24), uint8_t(count >> 16), uint8_t(count >> 8), uint8_t(count), flags};
}
inline Cdb EraseMsf(uint8_t area, uint8_t m, uint8_t s, uint8_t f, uint32_t count) {
    return {0xDF, 0x1A, area, m, s, f, uint8_t(count >> 24), uint8_t(count >> 16), uint8_t(count >> 8), uint8_t(count), 0x80};
}
inline Cdb Probe() { return EraseLba(0xFFFFFFFF, 0, 0x00); }
inline Cdb EraseDisc(uint8_t enable, uint8_t mode) { return {0xDC, enable, mode}; }

// "good", "busy", "no sense data", "transport", "timeout" or "2/04h/01h".
inline std::string Describe(const ScsiAnswer& a) {
    if (a.outcome == ScsiOutcome::TransportFailure) return "transport";
    if (a.outcome == ScsiOutcome::Timeout) return "timeout";
    if (a.status == 0x00) return "good";
    if (a.status == 0x08) return "busy";
    if (a.senseLength == 0) return "no sense data";
    char b[32];
    std::snprintf(b, sizeof b, "%X/%02Xh/%02Xh", a.sense[2] & 0x0F, a.sense[12], a.sense[13]);
    return b;
}

inline DriveConfig DriveOfKind(const std::string& kind) {
    DriveConfig config;
    EXPECT_TRUE(ApplyShortDriveKind(kind, config)) << kind;
    return config;
}

class Harness {
public:
    explicit Harness(std::shared_ptr<MmcDrive> model) : drive(std::move(model)) {}

    // A drive of a short scenario's kind holding a default disc.
    static Harness Of(const std::string& kind, const std::string& disc) {
        DiscConfig discConfig;
        EXPECT_TRUE(ShortDiscConfig(disc, discConfig)) << disc;
        return With(DriveOfKind(kind), discConfig);
    }

    static Harness With(const DriveConfig& config, const DiscConfig& discConfig) {
        std::shared_ptr<Disc> d;
        std::string error;
        EXPECT_TRUE(Disc::Create(discConfig, d, error)) << error;
        return Harness(std::make_shared<MmcDrive>(config, d));
    }

    // Sends the CDB (padded to 12 bytes) with a data-in buffer of `dataIn` bytes.
    ScsiAnswer Send(const Cdb& cdb, uint32_t dataIn = 0) {
        ScsiCommand c;
        for (size_t i = 0; i < cdb.size() && i < 16; i++) c.cdb[i] = cdb[i];
        c.cdbLength = 12;
        data.assign(std::max<size_t>(dataIn, 1), 0xEE);
        c.direction = dataIn ? 1 : 2;
        c.data = dataIn ? data.data() : nullptr;
        c.dataLength = dataIn;
        c.timeoutSeconds = 60;
        last = ScsiAnswer{};
        drive->Execute(c, last, clock);
        return last;
    }

    // Sends a data-in command with a host buffer as large as its allocation length.
    std::string Ask(const Cdb& cdb, uint32_t dataIn) { return Describe(Send(cdb, dataIn)); }
    std::string Do(const Cdb& cdb) { return Describe(Send(cdb)); }

    // The sense in a REQUEST SENSE answer, written as Describe writes it.
    std::string SenseData() const {
        ScsiAnswer a;
        a.CheckCondition(data[2] & 0x0F, data[12], data[13]);
        if ((data[2] & 0x0F) == 0 && data[12] == 0) a.status = 0;
        return Describe(a);
    }

    uint32_t Be16(size_t at) const { return uint32_t(data[at]) << 8 | data[at + 1]; }
    uint32_t Be24(size_t at) const { return uint32_t(data[at]) << 16 | Be16(at + 1); }
    uint32_t Be32(size_t at) const { return uint32_t(data[at]) << 24 | Be24(at + 1); }

    void Wait(double seconds) {
        clock.Advance(int64_t(seconds * 1e6));
        drive->Update(clock.NowMicros());
    }

    Disc& DiscIn() { return *drive->GetDisc(); }

    VirtualClock clock;
    std::shared_ptr<MmcDrive> drive;
    std::vector<uint8_t> data;
    ScsiAnswer last;
};

}  // namespace emu::test
