// The physical layout of each disc kind: where its areas lie, how logical blocks land on
// physical sectors on both layers, and which layouts are refused.
#include <gtest/gtest.h>

#include "emulator/Disc.h"

namespace emu {
namespace {

std::shared_ptr<Disc> Make(DiscConfig config) {
    std::shared_ptr<Disc> d;
    std::string error;
    EXPECT_TRUE(Disc::Create(config, d, error)) << error;
    return d;
}

struct AreaCase {
    DiscKind kind;
    const char* area;
    int64_t firstPsn;
    int64_t sectors;
};

class DefaultGeometry : public ::testing::TestWithParam<AreaCase> {};

TEST_P(DefaultGeometry, AreaLiesWhereTheDiscKindPutsIt) {
    const auto& c = GetParam();
    auto disc = Make(DefaultDiscConfig(c.kind));
    const DiscArea* a = disc->FindArea(c.area);
    ASSERT_NE(a, nullptr) << c.area;
    EXPECT_EQ(a->firstPsn, c.firstPsn);
    EXPECT_EQ(a->sectors, c.sectors);
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, DefaultGeometry,
    ::testing::Values(
        // A 700 MB CD-R: lead-in from ATIP 97:26:66 (block -11634) up to the 2 s pre-gap.
        AreaCase{DiscKind::CdR, "lead-in", -11634, 11634 - 150},
        AreaCase{DiscKind::CdR, "pre-gap", -150, 150},
        AreaCase{DiscKind::CdR, "program", 0, 359849},
        AreaCase{DiscKind::CdR, "pma", -11634 - 4500, 4500},
        // 4.7 GB DVD+R, closed: the data area ends with the recorded data, the lead-out follows.
        AreaCase{DiscKind::DvdPlusR, "lead-in", 0x20000, 0x10000},
        AreaCase{DiscKind::DvdPlusR, "data", 0x30000, 1200000},
        AreaCase{DiscKind::DvdPlusR, "lead-out", 0x30000 + 1200000, 0x3000},
        // DVD+R DL: layer 1 numbered as the 24-bit complement of layer 0.
        AreaCase{DiscKind::DvdPlusRDl, "data-0", 0x30000, 2086912},
        AreaCase{DiscKind::DvdPlusRDl, "middle-0", 0x22D800, 0x3000},
        AreaCase{DiscKind::DvdPlusRDl, "middle-1", 0xFFFFFF - 0x2307FF, 0x3000},
        AreaCase{DiscKind::DvdPlusRDl, "data-1", 0xDD2800, 3000000 - 2086912},
        AreaCase{DiscKind::DvdRDl, "lead-out-1", 0xDD2C20 + 3000000 - 2085856 - 0x0, 0xFDFFFF - (0xDD2C20 + 3000000 - 2085856) + 1},
        // 25 GB BD-R: user data from 100000h to CA73FFh.
        AreaCase{DiscKind::BdR, "inner-0", 0x20000, 0xE0000},
        AreaCase{DiscKind::BdR, "user-0", 0x100000, 12219392},
        AreaCase{DiscKind::BdR, "outer-0", 0xCA7400, 7552},
        // BD-R DL: layer 1 in the 25-bit complement.
        AreaCase{DiscKind::BdRDl, "outer-1", 0x1FFFFFF - (0xCA73FF + 7552), 7552},
        AreaCase{DiscKind::BdRDl, "user-1", 0x1358C00, 12219392},
        AreaCase{DiscKind::BdRDl, "inner-1", 0x1F00000, 0xE0000}));

TEST(DiscAddressing, LogicalBlocksFollowTheSpiralOntoLayerOne) {
    // A DVD whose layer 0 ends at 26053Fh, and a BD with the default 25 GB layers.
    DiscConfig dvd = DefaultDiscConfig(DiscKind::DvdRomDl);
    dvd.layerSectors = 0x230540;
    dvd.tracks = {{-1, 0x300000}};
    auto dl = Make(dvd);
    auto bd = Make(DefaultDiscConfig(DiscKind::BdRDl));
    struct Case {
        std::shared_ptr<Disc> disc;
        int64_t lba, psn;
    } cases[] = {
        {dl, 0, 0x30000},         {dl, 0x23053F, 0x26053F},  // last block of layer 0
        {dl, 0x230540, 0xD9FAC0}, {dl, 0x230541, 0xD9FAC1},  // complement of 26053Fh onward
        {bd, 0, 0x100000},        {bd, 0xBA73FF, 0xCA73FF},
        {bd, 0xBA7400, 0x1358C00},
    };
    for (const auto& c : cases) {
        int64_t psn = -1;
        EXPECT_TRUE(c.disc->LbaToPsn(c.lba, psn)) << c.lba;
        EXPECT_EQ(psn, c.psn) << "block " << c.lba;
    }
}

TEST(DiscAddressing, TheSpiralRunsThroughTheMiddleAreasAtTheLayerJump) {
    auto disc = Make(DefaultDiscConfig(DiscKind::DvdPlusRDl));
    const int64_t e = 0x22D7FF, m = 0x3000;
    int64_t lastOfLayer0 = 0, firstOfLayer1 = 0, psn = 0;
    ASSERT_TRUE(disc->PsnToSpiral(e + m, lastOfLayer0));
    ASSERT_TRUE(disc->SpiralToPsn(lastOfLayer0 + 1, psn));
    EXPECT_EQ(psn, 0xFFFFFF - (e + m));
    ASSERT_TRUE(disc->PsnToSpiral(0xFFFFFF - e, firstOfLayer1));
    EXPECT_EQ(firstOfLayer1 - lastOfLayer0, m + 1);  // all of middle-1 lies between
    EXPECT_FALSE(disc->PsnToSpiral(0x1FFFF, psn));     // inside the inner area's start
    EXPECT_FALSE(disc->PsnToSpiral(0xFE0000, psn));    // past layer 1's inner end
}

TEST(DiscTracks, AnAppendableDiscEndsInAnEmptyInvisibleTrack) {
    struct Case {
        DiscKind kind;
        int64_t gap;
    } cases[] = {{DiscKind::CdR, 152}, {DiscKind::DvdPlusR, 0}, {DiscKind::BdR, 0}};
    for (const auto& c : cases) {
        DiscConfig s = DefaultDiscConfig(c.kind);
        s.appendable = true;
        s.tracks = {{-1, 1000}, {5000, 2000}};
        auto disc = Make(s);
        ASSERT_EQ(disc->Tracks().size(), 3u);
        const Track& t = disc->Tracks().back();
        EXPECT_TRUE(t.invisible);
        EXPECT_EQ(t.number, 3);
        EXPECT_EQ(t.start, 7000 + c.gap) << InfoOf(c.kind).name;
        EXPECT_EQ(t.start + t.length, disc->UserCapacity());
        EXPECT_EQ(disc->RecordedEnd(), 7000);
    }
}

TEST(DiscTracks, RecordedSectorsAreExactlyTheTracksAndTheWrittenAreas) {
    DiscConfig s = DefaultDiscConfig(DiscKind::CdR);
    s.tracks = {{-1, 1000}};
    auto closed = Make(s);
    s.appendable = true;
    auto open = Make(s);
    struct Case {
        std::shared_ptr<Disc> disc;
        int64_t psn;
        bool readable;
    } cases[] = {
        {closed, -11634, true},  {open, -11634, false},      // the lead-in is written when the session closes
        {closed, -200, true},    {closed, -1, true},         // pre-gap
        {closed, 999, true},     {closed, 1000, true},       // last block, then the lead-out
        {closed, 1000 + 6749, true}, {closed, 1000 + 6750, false},
        {open, 1000, false},     {open, -16134, true},       // the program memory area
    };
    for (const auto& c : cases) EXPECT_EQ(c.disc->IsPsnReadable(c.psn), c.readable) << c.psn;
}

TEST(DiscConfigs, UnusableLayoutsAreRefusedNamingTheValue) {
    struct Case {
        const char* what;
        DiscKind kind;
        void (*change)(DiscConfig&);
        const char* error;
    } cases[] = {
        {"overlap", DiscKind::DvdR, [](DiscConfig& s) { s.tracks = {{-1, 100}, {50, 10}}; }, "tracks[1].start"},
        {"zero length", DiscKind::DvdR, [](DiscConfig& s) { s.tracks = {{-1, 0}}; }, "tracks[0].length"},
        {"too long", DiscKind::DvdR, [](DiscConfig& s) { s.tracks = {{-1, 2298497}}; }, "past the"},
        {"closed blank", DiscKind::BdR, [](DiscConfig& s) { s.tracks.clear(); }, "tracks:"},
        {"pressed open", DiscKind::DvdRom, [](DiscConfig& s) { s.appendable = true; }, "appendable"},
        {"full open", DiscKind::BdRe, [](DiscConfig& s) { s.appendable = true; }, "no room"},
        {"half cluster", DiscKind::BdR, [](DiscConfig& s) { s.layerSectors = 1000016; }, "layerSectors"},
        {"lead-in in program", DiscKind::CdR, [](DiscConfig& s) { s.leadInStart = {79, 0, 0}; }, "leadInStart"},
        {"sub-type", DiscKind::CdR, [](DiscConfig& s) { s.atipSubType = 8; }, "atipSubType"},
    };
    for (const auto& c : cases) {
        DiscConfig s = DefaultDiscConfig(c.kind);
        c.change(s);
        std::shared_ptr<Disc> d;
        std::string error;
        EXPECT_FALSE(Disc::Create(s, d, error)) << c.what;
        EXPECT_NE(error.find(c.error), std::string::npos) << c.what << ": " << error;
    }
}

}  // namespace
}  // namespace emu
