// The vendor erase commands: which drive knows which, exactly which sectors a run destroys
// (across the layer jump and through the CD lead-in), progress while it runs, and what reads
// back afterwards.
#include "DriveHarness.h"

namespace emu::test {
namespace {

void FinishErase(Harness& h) {
    if (!h.drive->Erasures().empty()) h.clock.Advance(h.drive->Erasures().back().endMicros - h.clock.NowMicros());
    ASSERT_EQ(h.Do(TestUnitReady()), "good");
}

TEST(EraseSupport, TheProbeTellsRangeDrivesFromTheOthers) {
    struct Case {
        const char* drive;
        const char* disc;
        const char* probe;
        const char* wholeDisc;
    } cases[] = {
        {"range", "cd-r", "5/21h/00h", "5/20h/00h"},  {"range", "dvd+r-dl", "5/21h/00h", "5/20h/00h"},
        {"range", "bd-r", "5/21h/00h", "5/20h/00h"},  {"whole", "dvd+r", "5/20h/00h", "good"},
        {"whole", "cd-r", "5/20h/00h", "good"},       {"plain", "bd-r", "5/20h/00h", "5/20h/00h"},
        {"cdrom", "cd-r", "5/20h/00h", "5/20h/00h"},
    };
    for (const auto& c : cases) {
        Harness h = Harness::Of(c.drive, c.disc);
        EXPECT_EQ(h.Do(Probe()), c.probe) << c.drive << ":" << c.disc;
        EXPECT_EQ(h.Do(EraseDisc(1, 1)), c.wholeDisc) << c.drive << ":" << c.disc;
        EXPECT_EQ(h.DiscIn().ErasedCount(), 0);  // neither answer has touched the disc yet
    }
}

struct RunCase {
    const char* name;
    const char* disc;
    Cdb cdb;
    std::vector<SectorRun> erased;
};

std::ostream& operator<<(std::ostream& out, const RunCase& c) { return out << c.name; }

constexpr int64_t kDvdDlEnd = 0x22D7FF, kMiddle = 0x3000, kBdEnd = 0xCA73FF;

class RangeErase : public ::testing::TestWithParam<RunCase> {};

TEST_P(RangeErase, ExactlyTheRunBecomesUnreadable) {
    const RunCase& c = GetParam();
    Harness h = Harness::Of("range", c.disc);
    ASSERT_EQ(h.Do(c.cdb), "good");
    FinishErase(h);
    const Disc& disc = h.DiscIn();
    EXPECT_EQ(disc.ErasedRuns(), c.erased);
    for (const auto& run : c.erased) {
        EXPECT_TRUE(disc.IsPsnErased(run.first));
        EXPECT_TRUE(disc.IsPsnErased(run.first + run.count - 1));
        EXPECT_FALSE(disc.IsPsnErased(run.first - 1)) << run.first;
        EXPECT_FALSE(disc.IsPsnErased(run.first + run.count)) << run.first + run.count;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Runs, RangeErase,
    ::testing::Values(
        RunCase{"DvdTrackStart", "dvd+r", EraseLba(0x30000, 2256), {{0x30000, 2256}}},
        RunCase{"DvdLeadIn", "dvd+r", EraseLba(0x20000, 0x10000), {{0x20000, 0x10000}}},
        // From the end of layer 0 through both middle areas onto layer 1.
        RunCase{"DvdLayerJump", "dvd+r-dl", EraseLba(kDvdDlEnd - 9, 10 + 2 * kMiddle + 20),
                {{kDvdDlEnd - 9, 10 + kMiddle}, {0xFFFFFF - (kDvdDlEnd + kMiddle), kMiddle + 20}}},
        RunCase{"DvdLayerOneLeadOut", "dvd-r-dl", EraseLba(0xFFFDA5E0, 3008), {{0xFDA5E0, 3008}}},
        RunCase{"BdOuterZones", "bd-r-dl", EraseLba(kBdEnd + 7548, 10),
                {{kBdEnd + 7548, 5}, {0x1FFFFFF - (kBdEnd + 7552), 5}}},
        RunCase{"BdLayerOneTrack", "bd-r-dl", EraseLba(0x1358C00, 4096), {{0x1358C00, 4096}}},
        RunCase{"BdSingleLayerWhole", "bd-r", EraseLba(0x20000, kBdEnd - 123519), {{0x20000, kBdEnd + 7552 - 0x20000 + 1}}},
        // 97:13:41 in the lead-in area up to past 99:59:74: PMA, lead-in and pre-gap.
        RunCase{"CdLeadIn", "cd-r", EraseMsf(0xFF, 97, 13, 41, 12633), {{-12634, 12633}}},
        RunCase{"CdTrackStart", "cd-r", EraseMsf(0x00, 0, 2, 0, 2256), {{0, 2256}}},
        RunCase{"CdTrackStartAt600", "cd-r", EraseMsf(0x00, 0, 10, 0, 10), {{600, 10}}}));

TEST(RangeErase, AZeroCountLeavesTheDriveReady) {
    Harness h = Harness::Of("range", "cd-r");
    ASSERT_EQ(h.Do(EraseMsf(0x00, 0, 2, 0, 0)), "good");
    EXPECT_EQ(h.Do(TestUnitReady()), "good");
    EXPECT_TRUE(h.drive->Erasures().empty());
    EXPECT_EQ(h.DiscIn().ErasedCount(), 0);
}

TEST(RangeErase, AnAddressOffTheDiscIsRefusedAndNothingIsErased) {
    struct Case {
        const char* disc;
        Cdb cdb;
        const char* answer;
    } cases[] = {
        {"dvd+r", EraseLba(0x10000, 1), "5/21h/00h"},                                // in front of the inner area
        {"dvd+r", EraseLba(0x30000 + 1200000 + 0x3000, 1), "5/21h/00h"},            // behind the lead-out
        {"dvd+r", EraseLba(0x30000 + 1200000 + 0x3000 - 1, 2), "5/21h/00h"},        // runs off the disc
        {"dvd+r", EraseLba(0x01030000, 1), "5/21h/00h"},                            // not a 24-bit number
        {"bd-r", EraseLba(0x2000000, 1), "5/21h/00h"},
        {"bd-r", EraseLba(0x1358C00, 1), "5/21h/00h"},                              // layer 1 of a one-layer disc
        {"cd-r", EraseMsf(0xFF, 89, 59, 74, 1), "5/21h/00h"},                       // lead-in form below 90:00:00
        {"cd-r", EraseMsf(0xFF, 0xFF, 0xFF, 0xFF, 0), "5/21h/00h"},
        {"cd-r", EraseMsf(0x00, 90, 0, 0, 1), "5/21h/00h"},
        {"cd-r", EraseMsf(0x00, 0, 2, 75, 1), "5/21h/00h"},
        {"cd-r", EraseMsf(0x01, 0, 2, 0, 1), "5/24h/00h"},
        {"dvd-rom", EraseLba(0x30000, 10), "5/30h/05h"},
        {"none", EraseLba(0x30000, 10), "2/3Ah/00h"},
    };
    for (const auto& c : cases) {
        Harness h = Harness::Of("range", c.disc);
        EXPECT_EQ(h.Do(c.cdb), c.answer) << c.disc << " " << h.drive->Received().back().Hex();
        EXPECT_TRUE(h.drive->Erasures().empty());
        EXPECT_EQ(h.Do(TestUnitReady()), std::string(c.disc) == "none" ? "2/3Ah/00h" : "good");
    }
}

TEST(RangeErase, ProgressFollowsTheClockAndTheConfiguredSpeed) {
    struct Case {
        double speed;
        int64_t setupMillis;
    } speeds[] = {{5400, 1000}, {2700, 0}};
    for (const auto& s : speeds) {
        DriveConfig config = DriveOfKind("range");
        config.eraseSpeed.dvd = s.speed;
        config.eraseSetupMillis = s.setupMillis;
        Harness h = Harness::With(config, DefaultDiscConfig(DiscKind::DvdPlusR));
        const int64_t count = 54000;
        const double total = s.setupMillis / 1000.0 + count / s.speed;
        ASSERT_EQ(h.Do(EraseLba(0x30000, uint32_t(count))), "good");
        struct Point {
            double fraction;
            uint16_t progress;
        } points[] = {{0.0, 0}, {0.25, 16384}, {0.5, 32768}, {0.75, 49152}};
        double at = 0;
        for (const auto& p : points) {
            h.Wait(p.fraction * total - at);
            at = p.fraction * total;
            EXPECT_EQ(h.Do(TestUnitReady()), "2/04h/07h");
            ASSERT_EQ(h.Ask(RequestSense(32), 32), "good");
            EXPECT_EQ(h.last.transferred, 18u);
            EXPECT_EQ(h.data[2] & 0x0F, 2);
            EXPECT_EQ(h.data[12], 0x04);
            EXPECT_EQ(h.data[13], 0x07);
            EXPECT_EQ(h.data[15], 0x80);  // sense-key specific progress valid
            EXPECT_NEAR(double(h.Be16(16)), p.progress, 2.0) << s.speed << " at " << p.fraction;
            // The head has passed the sectors in order.
            const double erasing = std::max(0.0, at - s.setupMillis / 1000.0) * s.speed;
            EXPECT_NEAR(double(h.DiscIn().ErasedCount()), erasing, 2.0);
        }
        h.Wait(total - at);
        EXPECT_EQ(h.Do(TestUnitReady()), "good");
        EXPECT_EQ(h.DiscIn().ErasedCount(), count);
        EXPECT_TRUE(h.drive->Erasures().back().completed);
    }
}

TEST(RangeErase, TheDriveIsBusyUntilTheRunIsDone) {
    Harness h = Harness::Of("range", "dvd+r");
    ASSERT_EQ(h.Do(EraseLba(0x30000, 10000)), "good");
    EXPECT_EQ(h.Do(EraseLba(0x40000, 10)), "2/04h/07h");
    EXPECT_EQ(h.Ask(Read10(5000, 1), 2048), "2/04h/07h");
    EXPECT_EQ(h.Do(Eject()), "2/04h/07h");
    EXPECT_EQ(h.Ask(Inquiry(), 96), "good");
    EXPECT_EQ(h.drive->Erasures().size(), 1u);
}

TEST(RangeErase, ErasedBlocksReadBackAsMediumErrors) {
    Harness h = Harness::Of("range", "dvd+r");
    ASSERT_EQ(h.Do(EraseLba(0x30000 + 100, 100)), "good");
    FinishErase(h);
    struct Case {
        Cdb cdb;
        uint32_t bytes;
        const char* answer;
        uint32_t transferred;
    } cases[] = {
        {Read10(98, 4), 8192, "3/11h/00h", 4096},  // two good blocks, then the erased one
        {Read10(99, 1), 2048, "good", 2048},
        {Read12(150, 1), 2048, "3/11h/00h", 0},
        {Read10(200, 1), 2048, "good", 2048},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(h.Ask(c.cdb, c.bytes), c.answer);
        EXPECT_EQ(h.last.transferred, c.transferred);
    }
    h.Ask(Read10(98, 4), 8192);
    EXPECT_EQ(h.last.sense[0], 0xF0);  // information field valid: the failing block
    EXPECT_EQ(uint32_t(h.last.sense[3]) << 24 | h.last.sense[4] << 16 | h.last.sense[5] << 8 | h.last.sense[6], 100u);
}

TEST(RangeErase, AVanishedDriveLeavesTheRunHalfDone) {
    Harness h = Harness::Of("range", "bd-r");
    ASSERT_EQ(h.Do(EraseLba(0x100000, 88000)), "good");  // 1 s setup, then 10 s at 8800 sectors/s
    h.Wait(6.0);
    h.drive->Vanish();
    h.Wait(60.0);
    EXPECT_EQ(h.Do(TestUnitReady()), "transport");
    const EraseRecord& r = h.drive->Erasures().back();
    EXPECT_TRUE(r.aborted);
    EXPECT_FALSE(r.completed);
    EXPECT_EQ(h.DiscIn().ErasedRuns(), (std::vector<SectorRun>{{0x100000, 44000}}));
}

struct WholeCase {
    const char* disc;
    uint8_t mode;
    std::vector<const char*> goneAreas;   // nothing readable left
    std::vector<const char*> keptAreas;   // still readable somewhere
    int64_t firstReadableLba;             // -1: none
};

class WholeDiscErase : public ::testing::TestWithParam<WholeCase> {};

TEST_P(WholeDiscErase, TheDriveErasesTheDiscByItself) {
    const WholeCase& c = GetParam();
    Harness h = Harness::Of("whole", c.disc);
    ASSERT_EQ(h.Do(EraseDisc(1, c.mode)), "good");
    EXPECT_EQ(h.Do(TestUnitReady()), "2/04h/07h");
    FinishErase(h);
    const Disc& disc = h.DiscIn();
    for (const char* area : c.goneAreas) EXPECT_TRUE(disc.ReadableRuns(area).empty()) << area;
    for (const char* area : c.keptAreas) EXPECT_FALSE(disc.ReadableRuns(area).empty()) << area;
    int64_t firstReadable = -1;
    for (int64_t lba = 0; lba < 5000 && firstReadable < 0; lba++)
        if (disc.IsLbaReadable(lba)) firstReadable = lba;
    EXPECT_EQ(firstReadable, c.firstReadableLba);
}

INSTANTIATE_TEST_SUITE_P(
    Modes, WholeDiscErase,
    ::testing::Values(
        WholeCase{"cd-r", 1, {"pma", "lead-in", "pre-gap"}, {"program"}, 2256},
        WholeCase{"cd-r", 0, {"pma", "lead-in", "pre-gap", "program"}, {}, -1},
        WholeCase{"dvd+r", 1, {"lead-in"}, {"data", "lead-out"}, 2256},
        WholeCase{"dvd+r-dl", 0, {"lead-in", "data-0", "middle-0", "middle-1", "data-1", "lead-out-1"}, {}, -1},
        WholeCase{"bd-r", 1, {"inner-0", "outer-0"}, {"user-0"}, 4096},
        WholeCase{"bd-r-dl", 0, {"inner-0", "user-0", "outer-0", "outer-1", "user-1", "inner-1"}, {}, -1}));

TEST(WholeDiscErase, BadFieldsAndPressedDiscsAreRefused) {
    struct Case {
        const char* disc;
        Cdb cdb;
        const char* answer;
    } cases[] = {
        {"dvd+r", EraseDisc(0, 1), "5/24h/00h"},
        {"dvd+r", EraseDisc(1, 2), "5/24h/00h"},
        {"dvd-rom", EraseDisc(1, 0), "5/30h/05h"},
        {"none", EraseDisc(1, 0), "2/3Ah/00h"},
    };
    for (const auto& c : cases) {
        Harness h = Harness::Of("whole", c.disc);
        EXPECT_EQ(h.Do(c.cdb), c.answer) << c.disc;
        EXPECT_TRUE(h.drive->Erasures().empty());
    }
}

}  // namespace
}  // namespace emu::test
