// Who the drive says it is and what it says it can do: INQUIRY, the capabilities page, the
// feature list, the lock, the vendor pages.
#include <cstring>

#include "ProgramView.h"

namespace emu::test {
namespace {

Harness Preset(const std::string& name, void (*change)(DriveConfig&) = nullptr) {
    DriveConfig config;
    EXPECT_TRUE(ApplyDrivePreset(name, config)) << name;
    if (change) change(config);
    return Harness::With(config, DefaultDiscConfig(DiscKind::DvdPlusR));
}

std::string Text(const Harness& h, size_t from, size_t length) {
    return std::string(h.data.begin() + long(from), h.data.begin() + long(from + length));
}

TEST(Inquiry, StandardDataCarriesTheIdentityAtItsFixedPlaces) {
    Harness h = Preset("bd", [](DriveConfig& s) {
        s.vendor = "MAKER";
        s.product = "BD-RW X1";
        s.revision = "1.02";
        s.vendorSpecific = "2009/05/12 SERIA";
    });
    ASSERT_EQ(h.Ask(Inquiry(96), 96), "good");
    EXPECT_EQ(h.last.transferred, 96u);
    EXPECT_EQ(h.data[0], 0x05);      // CD/DVD device
    EXPECT_EQ(h.data[1], 0x80);      // removable
    EXPECT_EQ(h.data[4], 96 - 5);    // additional length
    EXPECT_EQ(Text(h, 8, 8), "MAKER   ");
    EXPECT_EQ(Text(h, 16, 16), "BD-RW X1        ");
    EXPECT_EQ(Text(h, 32, 4), "1.02");
    EXPECT_EQ(Text(h, 36, 16), "2009/05/12 SERIA");
}

TEST(Inquiry, AVendorModeDriveAnswersOnlyWithTheVendorControlBits) {
    struct Case {
        int revisionLength;
        size_t at;
        const char* revision;
        uint8_t byte32;
    } cases[] = {{6, 32, "1.23AB", '1'}, {8, 24, "01.23.45", 0x00}};
    for (const auto& c : cases) {
        Harness h = Preset("xbox-dvd");
        DriveConfig config = h.drive->Config();
        config.revision = c.revision;
        config.vendorRevisionLength = c.revisionLength;
        h = Harness::With(config, DefaultDiscConfig(DiscKind::DvdRom));
        EXPECT_EQ(h.Ask(Inquiry(96, 0x00), 96), "5/24h/00h");
        EXPECT_EQ(h.Ask(Inquiry(96, 0x40), 96), "5/24h/00h");
        ASSERT_EQ(h.Ask(Inquiry(96, 0xC0), 96), "good");
        EXPECT_EQ(Text(h, 16, 8), "XDVD-16D");
        EXPECT_EQ(Text(h, c.at, strlen(c.revision)), c.revision);
        EXPECT_EQ(h.data[32], c.byte32);
    }
}

TEST(Presets, EachPresetIsClassifiedAsTheDriveTypeItNames) {
    struct Case {
        const char* preset;
        int type;
        bool writesCdR;
    } cases[] = {
        {"cd-rom", 1, false},        {"dvd-rom", 2, false},   {"cd-rw", 3, true},      {"combo", 4, true},
        {"dvd-r-rw", 10, true},      {"dvd-dual", 11, true},  {"super-allwrite", 12, true},
        {"bd", 13, true},            {"bd-combo", 14, true},  {"bd-rom", 15, false},   {"hd", 16, true},
        {"hd-combo", 17, true},      {"hd-rom", 18, false},   {"uni-combo", 20, true}, {"uni-writer", 21, true},
        {"xbox-dvd", 22, false},
    };
    ASSERT_EQ(std::size(cases), DrivePresetNames().size());
    for (const auto& c : cases) {
        Harness h = Preset(c.preset);
        EXPECT_EQ(Classify(h), c.type) << c.preset;
        ASSERT_EQ(h.Ask(ModeSense(0x2A, 42), 42), "good");
        EXPECT_EQ((h.data[11] & 1) != 0, c.writesCdR) << c.preset;
    }
}

TEST(Presets, AFeatureOverrideChangesTheClassification) {
    // A DVD dual writer whose DVD+RW feature lacks the write bit reads as DVD-R/-RW only.
    Harness h = Preset("dvd-dual", [](DriveConfig& s) { s.dvdPlusRwWrite = 0; });
    EXPECT_EQ(Classify(h), 10);
    Harness withoutDashR = Preset("dvd-dual", [](DriveConfig& s) { s.feature2F = 0; });
    EXPECT_EQ(Classify(withoutDashR), 4);
}

TEST(ModeSense, TheCapabilitiesPageFollowsTheHeaderAndAnyBlockDescriptor) {
    struct Case {
        bool descriptor, dbd;
        size_t pageAt;
    } cases[] = {{false, false, 8}, {false, true, 8}, {true, false, 16}, {true, true, 8}};
    for (const auto& c : cases) {
        Harness h = Preset("bd");
        DriveConfig config = h.drive->Config();
        config.blockDescriptor = c.descriptor;
        h = Harness::With(config, DefaultDiscConfig(DiscKind::BdR));
        ASSERT_EQ(h.Ask(ModeSense(0x2A, 240, c.dbd), 240), "good");
        EXPECT_EQ(h.Be16(6), c.pageAt - 8);
        EXPECT_EQ(h.data[c.pageAt] & 0x3F, 0x2A);
        EXPECT_EQ(h.Be16(0), h.last.transferred - 2);  // mode data length
        EXPECT_EQ(h.data[c.pageAt + 2], 0x3B);         // reads CD-R, CD-RW, DVD-ROM, DVD-R, DVD-RAM
        EXPECT_EQ(h.data[c.pageAt + 3], 0x33);
    }
}

TEST(ModeSense, PageControlAndUnknownPages) {
    Harness h = Preset("bd");
    EXPECT_EQ(h.Ask(ModeSense(0x2A, 64, true, 1), 64), "good");  // changeable: nothing is
    EXPECT_EQ(h.data[8], 0x2A);
    for (size_t i = 10; i < h.last.transferred; i++) EXPECT_EQ(h.data[i], 0) << i;
    EXPECT_EQ(h.Ask(ModeSense(0x2A, 64, true, 3), 64), "5/39h/00h");  // saved values
    EXPECT_EQ(h.Ask(ModeSense(0x3C, 64), 64), "5/24h/00h");           // not a page of this drive
    EXPECT_EQ(h.Ask(ModeSense(0x3F, 1024), 1024), "good");
    EXPECT_EQ(h.data[8], 0x2A);
}

TEST(Lock, PreventAllowChangesTheLockStateThePageReports) {
    struct Step {
        bool prevent, persistent;
        bool lockAfter;
    };
    const Step steps[] = {{true, false, true},  {false, false, false}, {true, true, true},
                          {false, false, true}, {false, true, false}};
    Harness h = Preset("bd");
    for (const auto& s : steps) {
        ASSERT_EQ(h.Do(PreventAllow(s.prevent, s.persistent)), "good");
        ASSERT_EQ(h.Ask(ModeSense(0x2A, 240, true), 240), "good");
        EXPECT_EQ((h.data[14] & 0x02) != 0, s.lockAfter) << s.prevent << s.persistent;
        EXPECT_EQ(h.drive->LockState(), s.lockAfter);
    }
    ASSERT_EQ(h.Do(PreventAllow(true, false)), "good");
    EXPECT_EQ(h.Do(Eject()), "5/53h/02h");
    EXPECT_FALSE(h.drive->TrayOpen());
}

// The program's test of the 64-bit pass-through fault, as an oracle.
bool NoDataCommandsAreLost(Harness& h) {
    auto lock = [&] { return h.Ask(ModeSense(0x2A, 240, true), 240) == "good" ? (h.data[14] & 2) != 0 : false; };
    bool l = lock();
    h.Do(PreventAllow(!l, false));
    if (lock() != l) return false;
    h.Do(PreventAllow(!l, true));
    return lock() == l;
}

TEST(Lock, ADriveThatDropsNoDataCommandsKeepsItsLockState) {
    Harness fine = Preset("bd");
    Harness lossy = Preset("bd", [](DriveConfig& s) { s.ignoreNoDataCommands = true; });
    EXPECT_FALSE(NoDataCommandsAreLost(fine));
    EXPECT_TRUE(NoDataCommandsAreLost(lossy));
    // Everything without data is acknowledged and dropped, the erase too.
    EXPECT_EQ(lossy.Do(Eject()), "good");
    EXPECT_FALSE(lossy.drive->TrayOpen());
    // With the 16-byte data-in work-around the same command takes effect.
    EXPECT_EQ(lossy.Ask(PreventAllow(true, false), 16), "good");
    EXPECT_EQ(lossy.last.transferred, 0u);
    EXPECT_TRUE(lossy.drive->LockState());
}

TEST(GetConfiguration, RequestTypesSelectTheFeatures) {
    Harness h = Preset("bd");
    ASSERT_EQ(h.Do(TestUnitReady()), "good");
    struct Case {
        uint8_t rt;
        uint16_t start;
        std::vector<uint16_t> codes;
    } cases[] = {
        {2, 0x0041, {0x0041}},
        {2, 0x0051, {}},                                   // absent: the header alone
        {0, 0x0040, {0x0040, 0x0041}},                     // everything from 40h on
        {1, 0x0020, {0x002B}},                             // only what is current for the DVD+R
        {0, 0x0000, {0x0000, 0x0001, 0x0002, 0x0003, 0x0010, 0x001E, 0x001F, 0x002A, 0x002B, 0x002D, 0x002F, 0x0040, 0x0041}},
    };
    for (const auto& c : cases) {
        ASSERT_EQ(h.Ask(GetConfiguration(c.rt, c.start, 4096), 4096), "good");
        EXPECT_EQ(h.Be32(0), h.last.transferred - 4);
        EXPECT_EQ(h.Be16(6), 0x001B);  // current profile: DVD+R
        std::vector<uint16_t> codes;
        for (size_t at = 8; at < h.last.transferred; at += 4 + h.data[at + 3]) codes.push_back(uint16_t(h.Be16(at)));
        EXPECT_EQ(codes, c.codes) << int(c.rt) << " " << c.start;
    }
    EXPECT_EQ(h.Ask(GetConfiguration(3, 0, 1024), 1024), "5/24h/00h");
}

TEST(GetConfiguration, TheProfileListMarksTheCurrentProfile) {
    Harness h = Preset("bd");
    ASSERT_EQ(h.Ask(GetConfiguration(2, 0x0000, 1024), 1024), "good");
    std::vector<uint16_t> current;
    for (size_t at = 12; at < size_t(12 + h.data[11]); at += 4)
        if (h.data[at + 2] & 1) current.push_back(uint16_t(h.Be16(at)));
    EXPECT_EQ(current, std::vector<uint16_t>{0x001B});
}

TEST(VendorPages, MediaWordTrayStateAndLabelPage) {
    Harness h = Preset("xbox-dvd", [](DriveConfig& s) {
        s.labelPage = 0x2D;
        s.page32 = true;
        s.vendorTrayOpenValue = 3;
    });
    ASSERT_EQ(h.Ask(ModeSense(0x3C, 128), 128), "good");
    EXPECT_EQ(h.Be16(24), 0x4A70);  // DVD+R single layer
    EXPECT_EQ(h.data[25] >> 6, 1);  // layer count bits
    ASSERT_EQ(h.Ask(ModeSense(0x3D, 32), 32), "good");
    EXPECT_EQ(h.data[10] & 0x0F, 0);
    ASSERT_EQ(h.Do(Eject()), "good");
    ASSERT_EQ(h.Ask(ModeSense(0x3D, 32), 32), "good");
    EXPECT_EQ(h.data[10] & 0x0F, 3);
    EXPECT_EQ(h.Ask(ModeSense(0x32, 70), 70), "good");
    // Only the label page has the 198-byte signature.
    std::vector<int> signed_;
    for (uint8_t page = 0x20; page <= 0x3E; page++)
        if (h.Ask(ModeSense(page, 254), 254) == "good" && h.Be16(0) == 198 && (h.data[8] & 0x3F) == page) signed_.push_back(page);
    EXPECT_EQ(signed_, std::vector<int>{0x2D});
}

TEST(VendorPages, TheLayerBitsOfTheMediaWordFollowTheDisc) {
    struct Case {
        DiscKind kind;
        uint16_t word;
        int layers;
    } cases[] = {{DiscKind::DvdR, 0x4970, 1}, {DiscKind::DvdRDl, 0x5CB0, 2}, {DiscKind::DvdPlusRDl, 0x4AB0, 2},
                 {DiscKind::DvdRom, 0x4440, 1}, {DiscKind::DvdRomDl, 0x4480, 2}, {DiscKind::CdR, 0x2970, 1}};
    for (const auto& c : cases) {
        DriveConfig config;
        ApplyDrivePreset("xbox-dvd", config);
        Harness h = Harness::With(config, DefaultDiscConfig(c.kind));
        ASSERT_EQ(h.Ask(ModeSense(0x3C, 128), 128), "good");
        EXPECT_EQ(h.Be16(24), c.word) << InfoOf(c.kind).name;
        EXPECT_EQ(h.data[25] >> 6, c.layers) << InfoOf(c.kind).name;
    }
}

}  // namespace
}  // namespace emu::test
