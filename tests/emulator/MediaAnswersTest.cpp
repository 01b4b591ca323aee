// What the disc in the drive looks like through the commands media identification and the erase
// procedures read: profile, DVD physical format, BD disc information and DDS, ATIP, disc and
// track information, capacity and user data.
#include "ProgramView.h"

namespace emu::test {
namespace {

struct IdCase {
    const char* drive;
    const char* disc;
    int code;
};

std::ostream& operator<<(std::ostream& out, const IdCase& c) { return out << c.drive << ":" << c.disc; }

class Identification : public ::testing::TestWithParam<IdCase> {};

TEST_P(Identification, TheProgramNamesTheDiscCorrectly) {
    Harness h = Harness::Of(GetParam().drive, GetParam().disc);
    EXPECT_EQ(Identify(h), GetParam().code);
}

INSTANTIATE_TEST_SUITE_P(
    EveryKind, Identification,
    ::testing::Values(
        IdCase{"range", "none", 0}, IdCase{"range", "cd-rom", 3}, IdCase{"range", "cd-r", 4},
        IdCase{"range", "cd-r-open", 4}, IdCase{"range", "cd-rw", 12}, IdCase{"range", "dvd-rom", 16},
        IdCase{"range", "dvd-rom-dl", 17}, IdCase{"range", "dvd-r", 19}, IdCase{"range", "dvd-r-dl", 21},
        IdCase{"range", "dvd+r", 23}, IdCase{"range", "dvd+r-dl", 25}, IdCase{"range", "dvd-rw", 20},
        IdCase{"range", "dvd+rw", 24}, IdCase{"range", "dvd-ram", 18}, IdCase{"range", "bd-rom", 27},
        IdCase{"range", "bd-rom-dl", 30}, IdCase{"range", "bd-r", 28}, IdCase{"range", "bd-r-dl", 31},
        IdCase{"range", "bd-re", 29}, IdCase{"range", "bd-re-dl", 32}, IdCase{"range", "hddvd-rom", 33},
        IdCase{"range", "hddvd-rom-dl", 36}, // The writer reads HD DVD without writing it, so it reports the pressed profile.
        IdCase{"range", "hddvd-r", 33}, IdCase{"range", "hddvd-ram", 33},
        // Read-only drives report the pressed profile; the structures tell the kind apart.
        IdCase{"dvdrom", "dvd+r", 23}, IdCase{"dvdrom", "dvd-r-dl", 21}, IdCase{"dvdrom", "bd-r", 255},
        IdCase{"bdrom", "bd-r-dl", 31}, IdCase{"bdrom", "bd-re", 29}, IdCase{"cdrom", "cd-rw", 12},
        IdCase{"cdrom", "cd-r", 3}, IdCase{"cdrom", "dvd+r", 255}, IdCase{"whole", "cd-r", 4},
        IdCase{"plain", "bd-r-dl", 31}));

TEST(Identification, AnHdDvdWriterReportsTheRecordableProfiles) {
    struct Case {
        DiscKind kind;
        int code;
    } cases[] = {{DiscKind::HdDvdR, 34}, {DiscKind::HdDvdRam, 35}, {DiscKind::HdDvdRomDl, 36}, {DiscKind::HdDvdRDl, 255}};
    for (const auto& c : cases) {
        DriveConfig config;
        ApplyDrivePreset("hd", config);
        Harness h = Harness::With(config, DefaultDiscConfig(c.kind));
        EXPECT_EQ(Identify(h), c.code) << InfoOf(c.kind).name;
    }
}

TEST(Identification, VendorModeDrivesAreNamedByTheMediaWord) {
    struct Case {
        DiscKind kind;
        int code;
    } cases[] = {{DiscKind::DvdR, 144}, {DiscKind::DvdPlusRDl, 153}, {DiscKind::CdR, 134}, {DiscKind::DvdRam, 160}};
    for (const auto& c : cases) {
        DriveConfig config;
        ApplyDrivePreset("xbox-dvd", config);
        Harness h = Harness::With(config, DefaultDiscConfig(c.kind));
        EXPECT_EQ(Identify(h), c.code) << InfoOf(c.kind).name;
    }
}

TEST(Identification, ALabelSideProfileIsResolvedThroughTheVendorPages) {
    struct Case {
        int labelPage;
        bool page32;
        int code;
    } cases[] = {{0x27, false, 1}, {0, true, 2}, {0, false, 255}};
    for (const auto& c : cases) {
        DriveConfig config = DriveOfKind("range");
        config.labelPage = c.labelPage;
        config.page32 = c.page32;
        DiscConfig disc = DefaultDiscConfig(DiscKind::CdRom);
        disc.profile = 0xFFFF;
        Harness h = Harness::With(config, disc);
        EXPECT_EQ(Identify(h), c.code) << c.labelPage << " " << c.page32;
    }
}

struct PhysicalCase {
    DiscKind kind;
    int bookType, layersField, layerType;
    uint32_t endPsn, layer0End;
};

TEST(DvdPhysicalFormat, TheFieldsDescribeTheDisc) {
    const PhysicalCase cases[] = {
        {DiscKind::DvdPlusR, 10, 0, 2, 0x30000 + 1200000 - 1, 0},
        {DiscKind::DvdR, 2, 0, 2, 0x30000 + 1200000 - 1, 0},
        {DiscKind::DvdRom, 0, 0, 1, 0x30000 + 2000000 - 1, 0},
        {DiscKind::DvdRw, 3, 0, 4, 0x30000 + 1200000 - 1, 0},
        {DiscKind::DvdPlusRw, 9, 0, 4, 0x30000 + 2295104 - 1, 0},
        {DiscKind::DvdRam, 1, 0, 4, 0x30000 + 2236704 - 1, 0},
        {DiscKind::DvdPlusRDl, 14, 1, 2, 0xDD2800 + (3000000 - 2086912) - 1, 0x22D7FF},
        {DiscKind::DvdRDl, 2, 1, 2, 0xDD2C20 + (3000000 - 2085856) - 1, 0x22D3DF},
        {DiscKind::HdDvdR, 5, 0, 2, 0x30000 + 3000000 - 1, 0},
    };
    for (const auto& c : cases) {
        Harness h = Harness::With(DriveOfKind("range"), DefaultDiscConfig(c.kind));
        ASSERT_EQ(h.Ask(DiscStructure(0, 0, 2052), 2052), "good") << InfoOf(c.kind).name;
        EXPECT_EQ(h.Be16(0), 2050u);
        EXPECT_EQ(h.data[4] >> 4, c.bookType) << InfoOf(c.kind).name;
        EXPECT_EQ((h.data[6] >> 5) & 3, c.layersField);
        EXPECT_EQ(h.data[6] & 0x0F, c.layerType);
        EXPECT_EQ(h.data[9], 0x03);
        EXPECT_EQ(h.Be24(9), 0x030000u);
        EXPECT_EQ(h.Be24(13), c.endPsn) << InfoOf(c.kind).name;
        EXPECT_EQ(h.Be24(17), c.layer0End);
    }
}

// Block address to physical sector the way the BD procedures compute it.
uint32_t BdLbaToPsn(uint32_t s, uint32_t lba, uint32_t e) {
    return lba <= e - s ? lba + s : lba + s - 2 * e + 0x1FFFFFE;
}

TEST(BdStructures, DiscInformationAndDdsDescribeTheLayout) {
    struct Case {
        DiscKind kind;
        int64_t isa0, osa, isa1;
        const char* id;
        int layers;
    } cases[] = {
        {DiscKind::BdR, 0, 0, 0, "BDR", 1},      {DiscKind::BdRDl, 0, 0, 0, "BDR", 2},
        {DiscKind::BdRDl, 4096, 2048, 8192, "BDR", 2}, {DiscKind::BdRe, 4096, 8192, 0, "BDW", 1},
    };
    for (const auto& c : cases) {
        DiscConfig s = DefaultDiscConfig(c.kind);
        s.isa0Clusters = c.isa0;
        s.osaClusters = c.osa;
        s.isa1Clusters = c.isa1;
        if (InfoOf(c.kind).medium == Medium::Rewritable) s.tracks = {{-1, 1000000}};
        Harness h = Harness::With(DriveOfKind("range"), s);
        const Disc& disc = h.DiscIn();
        const std::string name = InfoOf(c.kind).name;

        ASSERT_EQ(h.Ask(DiscStructure(1, 0, 4100), 4100), "good") << name;
        EXPECT_EQ(std::string(h.data.begin() + 12, h.data.begin() + 15), c.id);
        EXPECT_EQ(h.data[16] >> 4, c.layers);
        const uint32_t layer0End = h.Be32(32) * 8 + 15;
        EXPECT_EQ(layer0End, 0xCA73FFu) << name;
        if (c.layers == 2) {
            EXPECT_EQ(h.Be32(140) * 8, 0x1358C00u) << name;
        }

        ASSERT_EQ(h.Ask(DiscStructure(1, 8, 4096), 4096), "good") << name;
        EXPECT_EQ(std::string(h.data.begin() + 4, h.data.begin() + 6), "DS");
        const uint32_t userStart = 0x100000 + 32 * h.Be32(44), tail = 32 * h.Be32(48), head1 = 32 * h.Be32(52);
        const uint32_t lastUserLsn = h.Be32(40), layer0UserEnd = layer0End - tail;
        EXPECT_EQ(userStart, disc.FindArea("user-0")->firstPsn) << name;
        EXPECT_EQ(layer0UserEnd, disc.FindArea("user-0")->LastPsn()) << name;
        EXPECT_EQ(lastUserLsn + 1, disc.UserCapacity()) << name;
        const DiscArea* lastUser = disc.FindArea(c.layers == 2 ? "user-1" : "user-0");
        EXPECT_EQ(BdLbaToPsn(userStart, lastUserLsn, layer0UserEnd), lastUser->LastPsn()) << name;
        EXPECT_EQ(head1, uint32_t(32 * c.isa1));
    }
}

TEST(Structures, AStructureTheDiscDoesNotHaveIsRefused) {
    struct Case {
        const char* disc;
        Cdb cdb;
        const char* answer;
    } cases[] = {
        {"cd-r", DiscStructure(0, 0, 2048), "5/30h/02h"},   {"bd-r", DiscStructure(0, 0, 2048), "5/30h/02h"},
        {"dvd+r", DiscStructure(1, 0, 4100), "5/30h/02h"},  {"bd-rom", DiscStructure(1, 8, 4096), "5/30h/02h"},
        {"dvd+r", DiscStructure(0, 0, 2048, 1), "5/24h/00h"}, {"dvd+r-dl", DiscStructure(0, 0, 2048, 1), "good"},
        {"dvd+r", ReadToc(false, 4, 1024), "5/24h/00h"},    {"cd-rom", ReadToc(true, 4, 1024), "5/24h/00h"},
        {"dvd+r", DiscStructure(0, 0x22, 2048), "5/24h/00h"},
    };
    for (const auto& c : cases) {
        Harness h = Harness::Of("range", c.disc);
        EXPECT_EQ(h.Ask(c.cdb, 4100), c.answer) << c.disc;
    }
}

TEST(Atip, SubTypeLeadInAndLastLeadOutInBothMsfSettings) {
    struct Case {
        DiscKind kind;
        int subType;
        uint8_t byte6;
    };
    std::vector<Case> cases;
    for (int sub = 0; sub < 8; sub++) cases.push_back({DiscKind::CdR, sub, uint8_t(0x80 | sub << 3)});
    for (int sub = 0; sub < 4; sub++) cases.push_back({DiscKind::CdRw, sub, uint8_t(0xC0 | sub << 3)});
    for (const auto& c : cases) {
        DiscConfig s = DefaultDiscConfig(c.kind);
        s.atipSubType = c.subType;
        s.leadInStart = {97, 26, 66};
        Harness h = Harness::With(DriveOfKind("range"), s);
        for (bool msf : {false, true}) {
            ASSERT_EQ(h.Ask(ReadToc(msf, 4, 0xFFFE), 0xFFFE), "good");
            EXPECT_EQ(h.last.transferred, 28u);
            EXPECT_GT(h.data[1], 4);
            EXPECT_EQ(h.data[6], c.byte6);
            EXPECT_EQ(std::vector<int>(h.data.begin() + 8, h.data.begin() + 11), (std::vector<int>{97, 26, 66}));
            EXPECT_EQ(std::vector<int>(h.data.begin() + 12, h.data.begin() + 15), (std::vector<int>{79, 59, 74}));
        }
    }
}

TEST(DiscInformation, LastTrackErasableAndStatus) {
    struct Case {
        const char* disc;
        int tracks;
        int lastTrack;
        bool erasable;
        int status, sessionState;
    } cases[] = {
        {"cd-r", 1, 1, false, 2, 3},    {"cd-r-open", 1, 2, false, 1, 1}, {"cd-rw", 1, 1, true, 2, 3},
        {"dvd+r", 300, 300, false, 2, 3}, {"dvd+rw", 1, 1, true, 3, 3},  {"bd-re", 1, 1, true, 3, 3},
        {"bd-rom", 1, 1, false, 2, 3},
    };
    for (const auto& c : cases) {
        DiscConfig s;
        ASSERT_TRUE(ShortDiscConfig(c.disc, s));
        if (c.tracks > 1) s.tracks.assign(size_t(c.tracks), TrackConfig{-1, 1000});
        Harness h = Harness::With(DriveOfKind("range"), s);
        ASSERT_EQ(h.Ask(DiscInformation(256), 256), "good") << c.disc;
        EXPECT_EQ(h.last.transferred, 34u);
        EXPECT_EQ(h.data[11] * 256 + h.data[6], c.lastTrack) << c.disc;
        EXPECT_EQ((h.data[2] & 0x10) != 0, c.erasable) << c.disc;
        EXPECT_EQ(h.data[2] & 3, c.status) << c.disc;
        EXPECT_EQ((h.data[2] >> 2) & 3, c.sessionState) << c.disc;
    }
}

TEST(TrackInformation, StartAndNextWritableAddress) {
    DiscConfig s = DefaultDiscConfig(DiscKind::DvdPlusR);
    s.appendable = true;
    s.tracks = {{-1, 5000}, {-1, 7000}};
    Harness h = Harness::With(DriveOfKind("range"), s);
    struct Case {
        Cdb cdb;
        const char* answer;
        uint32_t start;
        bool nwaValid;
        uint32_t nwa;
    } cases[] = {
        {TrackInformation(1), "good", 0, false, 0},
        {TrackInformation(2), "good", 5000, false, 0},
        {TrackInformation(3), "good", 12000, true, 12000},
        {TrackInformation(0xFF), "good", 12000, true, 12000},   // the invisible track
        {TrackInformation(6000, 4096, 0), "good", 5000, false, 0},  // by block address
        {TrackInformation(0), "5/24h/00h", 0, false, 0},
        {TrackInformation(4), "5/24h/00h", 0, false, 0},
    };
    for (const auto& c : cases) {
        ASSERT_EQ(h.Ask(c.cdb, 4096), c.answer) << int(c.cdb[5]);
        if (std::string(c.answer) != "good") continue;
        EXPECT_EQ(h.last.transferred, 48u);
        EXPECT_EQ(h.Be32(8), c.start);
        EXPECT_EQ((h.data[7] & 1) != 0, c.nwaValid);
        if (c.nwaValid) {
            EXPECT_EQ(h.Be32(12), c.nwa);
        }
    }
}

TEST(UserData, ReadCapacityAndReadsOfRecordedBlocks) {
    Harness h = Harness::Of("range", "dvd+r-dl");  // 3 000 000 blocks across both layers
    ASSERT_EQ(h.Ask(ReadCapacity(), 8), "good");
    EXPECT_EQ(h.Be32(0), 2999999u);
    EXPECT_EQ(h.Be32(4), 2048u);
    struct Case {
        Cdb cdb;
        uint32_t bytes;
        const char* answer;
        uint32_t firstBlock;
    } cases[] = {
        {Read10(0, 2), 4096, "good", 0},
        {Read10(2086911, 2), 4096, "good", 2086911},  // across the layer jump
        {Read12(2999999, 1), 2048, "good", 2999999},
        {Read12(0, 3000000), 4096, "good", 0},  // the whole disc into a small buffer
        {Read10(2999999, 2), 4096, "5/21h/00h", 0},
        {Read12(3000000, 1), 2048, "5/21h/00h", 0},
    };
    for (const auto& c : cases) {
        ASSERT_EQ(h.Ask(c.cdb, c.bytes), c.answer);
        if (std::string(c.answer) != "good") continue;
        EXPECT_EQ(h.last.transferred, c.bytes);
        EXPECT_EQ(h.Be32(0), c.firstBlock);
        if (c.bytes > 2048) {
            EXPECT_EQ(h.Be32(2048), c.firstBlock + 1);
        }
    }
}

TEST(UserData, TheRecordedEndIsTheNextWritableAddressOrTheCapacity) {
    struct Case {
        const char* disc;
        bool nwaValid;
        uint32_t recordedEnd;
    } cases[] = {{"cd-r", false, 225000}, {"cd-r-open", true, 225000 + 152}, {"bd-r", false, 6000000}};
    for (const auto& c : cases) {
        Harness h = Harness::Of("range", c.disc);
        ASSERT_EQ(h.Ask(DiscInformation(24), 24), "good");
        const int last = h.data[11] * 256 + h.data[6];
        ASSERT_EQ(h.Ask(TrackInformation(uint32_t(last)), 4096), "good");
        uint32_t end = 0;
        if (h.data[7] & 1) {
            end = h.Be32(12);
        } else {
            ASSERT_EQ(h.Ask(ReadCapacity(), 8), "good");
            end = h.Be32(0) + 1;
        }
        EXPECT_EQ(end, c.recordedEnd) << c.disc;
    }
}

}  // namespace
}  // namespace emu::test
