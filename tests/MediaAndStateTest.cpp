// Media identification and the drive state queries, on emulated drives and discs.
#include "support/Bench.h"

namespace {

using Tweak = std::function<void(emu::Scenario&)>;

TEST(IdentifyMedia, EveryDiscKind) {
    struct Case {
        const char* disc;
        MediaCode code;
    } cases[] = {
        {"none", 0},      {"cd-r", 4},      {"cd-r-open", 4}, {"cd-rw", 12},    {"dvd-r", 19},   {"dvd+r", 23},
        {"dvd-r-dl", 21}, {"dvd+r-dl", 25}, {"dvd-rom", 16},  {"dvd-rw", 20},   {"dvd+rw", 24},  {"dvd-ram", 18},
        {"bd-r", 28},     {"bd-r-dl", 31},  {"bd-re", 29},    {"bd-rom", 27},
        // A drive that reads HD DVD but does not write it reports the read-only profile.
        {"hddvd-r", 33},
    };
    for (auto& c : cases) {
        SCOPED_TRACE(c.disc);
        Bench b(std::string("range:") + c.disc);
        EXPECT_EQ(b.Device().IdentifyMedia(0), c.code);
    }
}

TEST(IdentifyMedia, SpecialCases) {
    struct Case {
        const char* name;
        const char* scenario;
        Tweak tweak;
        MediaCode code;
    } cases[] = {
        {"vendor media word comes first", "range:cd-r",
         [](emu::Scenario& s) {
             s.drives[0].drive.vendorMode = true;
             s.drives[0].drive.page3C = true;
             s.drives[0].disc.mediaWord = 0x4970;
         },
         144},
        {"unknown vendor word falls through", "range:cd-r",
         [](emu::Scenario& s) {
             s.drives[0].drive.vendorMode = true;
             s.drives[0].drive.page3C = true;
             s.drives[0].disc.mediaWord = 0x1234;
         },
         4},
        {"CD-ROM-only drive with a CD-RW", "cdrom:cd-rw", {}, 12},
        {"CD-ROM-only drive with a CD-R", "cdrom:cd-r", {}, 3},
        {"ATIP sub-type", "range:cd-r", [](emu::Scenario& s) { s.drives[0].disc.atipSubType = 2; }, 6},
        {"rewritable ATIP sub-type", "range:cd-rw", [](emu::Scenario& s) { s.drives[0].disc.atipSubType = 2; }, 14},
        {"CD-RW sub-type without a name, then its profile", "range:cd-rw",
         [](emu::Scenario& s) { s.drives[0].disc.atipSubType = 5; }, 12},
        {"DVD-ROM profile on a DVD+R", "range:dvd+r", [](emu::Scenario& s) { s.drives[0].disc.profile = 0x10; }, 23},
        {"DVD-ROM profile on a DVD-R DL", "range:dvd-r-dl", [](emu::Scenario& s) { s.drives[0].disc.profile = 0x10; }, 21},
        {"BD-ROM profile on a BD-R DL", "range:bd-r-dl", [](emu::Scenario& s) { s.drives[0].disc.profile = 0x40; }, 31},
        {"profile FFFFh with a label page", "range:dvd-rom",
         [](emu::Scenario& s) {
             s.drives[0].disc.profile = 0xFFFF;
             s.drives[0].disc.bookType = 7;
             s.drives[0].drive.labelPage = 0x2C;
         },
         1},
        {"profile FFFFh with page 32h", "range:dvd-rom",
         [](emu::Scenario& s) {
             s.drives[0].disc.profile = 0xFFFF;
             s.drives[0].disc.bookType = 7;
             s.drives[0].drive.page32 = true;
         },
         2},
        {"profile FFFFh without either", "range:dvd-rom",
         [](emu::Scenario& s) {
             s.drives[0].disc.profile = 0xFFFF;
             s.drives[0].disc.bookType = 7;
         },
         255},
        {"still becoming ready at the limit", "range:dvd+r",
         [](emu::Scenario& s) { s.drives[0].drive.spinUpMillis = 130'000; }, 255},
    };
    for (auto& c : cases) {
        SCOPED_TRACE(c.name);
        Bench b(c.scenario, c.tweak, false);
        // A read-only drive is not listed: select it directly.
        b.form->FormCreate();
        b.Device().SelectDrive(0);
        if (std::string(c.name) == "still becoming ready at the limit") {
            b.Device().EjectMedium();
            b.Device().LoadMedium();
        }
        EXPECT_EQ(b.Device().IdentifyMedia(0), c.code);
    }
}

TEST(IdentifyMedia, NoDiscSendsNothingAfterTheWait) {
    Bench b("range:none");
    b.Drive().ClearReceived();
    EXPECT_EQ(b.Device().IdentifyMedia(0), 0);
    EXPECT_EQ(b.Sent(), std::vector<std::string>{"00 00 00 00 00 00 00 00 00 00 00 00"});
}

TEST(FindLabelFlashPage, TriesEveryPageWithoutALabel) {
    Bench b("range:cd-r");
    b.Drive().ClearReceived();
    EXPECT_EQ(b.Device().FindLabelFlashPage(), 0);
    EXPECT_EQ(b.Drive().CountReceived(0x5A), 31u);
}

TEST(WaitUntilReady, GivesUpAtTheLimitAndLeavesAtOnceWithoutMedium) {
    Bench b("range:dvd+r", [](emu::Scenario& s) { s.drives[0].drive.spinUpMillis = 130'000; });
    b.Device().EjectMedium();
    b.Device().LoadMedium();
    int64_t start = b.Now();
    EXPECT_FALSE(b.Device().WaitUntilReady(120, 300));
    double waited = double(b.Now() - start) / 1e6;
    EXPECT_GE(waited, 120.0);
    EXPECT_LT(waited, 121.0);
    EXPECT_TRUE(b.Device().IsSense(2, 0x04, 0x01));

    Bench empty("range:none");
    empty.Drive().ClearReceived();
    EXPECT_FALSE(empty.Device().WaitUntilReady(120, 300));
    EXPECT_EQ(empty.Drive().CountReceived(0x00), 1u);
    EXPECT_TRUE(empty.Device().IsSense(2, 0x3A));

    Bench ready("range:dvd+r");
    ready.Drive().ClearReceived();
    int64_t before = ready.Now();
    EXPECT_TRUE(ready.Device().WaitUntilReady(120, 300));
    EXPECT_EQ(ready.Drive().CountReceived(0x00), 1u);
    EXPECT_LT(ready.Now() - before, 1000);
}

TEST(TrayQueries, OpenTrayByEventAndByVendorPage) {
    struct Case {
        const char* name;
        Tweak tweak;
        bool open;
    } cases[] = {
        {"event, closed", {}, false},
        {"event, open", [](emu::Scenario& s) { s.drives[0].drive.trayOpen = true; }, true},
        {"vendor page, open as 1",
         [](emu::Scenario& s) {
             s.drives[0].drive.vendorMode = true;
             s.drives[0].drive.page3D = true;
             s.drives[0].drive.trayOpen = true;
         },
         true},
        {"vendor page, open as 3",
         [](emu::Scenario& s) {
             s.drives[0].drive.vendorMode = true;
             s.drives[0].drive.page3D = true;
             s.drives[0].drive.vendorTrayOpenValue = 3;
             s.drives[0].drive.trayOpen = true;
         },
         true},
        {"vendor mode without the page", [](emu::Scenario& s) {
             s.drives[0].drive.vendorMode = true;
             s.drives[0].drive.trayOpen = true;
         },
         false},
    };
    for (auto& c : cases) {
        SCOPED_TRACE(c.name);
        Bench b("range:dvd+r", c.tweak);
        EXPECT_EQ(b.Device().IsTrayOpen(), c.open);
    }
}

}  // namespace
