// The tray and the drive's readiness: loading, spinning up, the one unit attention, ejecting,
// the media event status, and a tray the user has to push in.
#include "DriveHarness.h"

namespace emu::test {
namespace {

Harness OpenTray(void (*change)(DriveConfig&) = nullptr, const char* disc = "dvd+r") {
    DriveConfig config = DriveOfKind("range");
    config.trayOpen = true;
    config.spinUpMillis = 8000;
    config.trayMoveMillis = 1000;
    if (change) change(config);
    DiscConfig d;
    EXPECT_TRUE(ShortDiscConfig(disc, d));
    return Harness::With(config, d);
}

TEST(Readiness, AfterALoadTheDriveBecomesReadyThenReportsOneUnitAttention) {
    Harness h = OpenTray();
    const int64_t before = h.clock.NowMicros();
    ASSERT_EQ(h.Do(Load()), "good");
    EXPECT_EQ(h.clock.NowMicros() - before, 1'000'000);  // the tray took its time to close
    struct Step {
        double wait;
        const char* answer;
    } steps[] = {{0, "2/04h/01h"}, {7.9, "2/04h/01h"}, {0.1, "6/28h/00h"}, {0, "good"}, {5, "good"}};
    for (const auto& s : steps) {
        h.Wait(s.wait);
        EXPECT_EQ(h.Do(TestUnitReady()), s.answer);
    }
}

TEST(Readiness, OnlyCommandsThatReportUnitAttentionClearIt) {
    struct Case {
        Cdb cdb;
        uint32_t bytes;
        const char* answer;
        const char* thenTestUnitReady;
    } cases[] = {
        {Inquiry(), 96, "good", "6/28h/00h"},
        {GetConfiguration(0, 0, 64), 64, "good", "6/28h/00h"},
        {EventStatus(), 8, "good", "6/28h/00h"},
        {RequestSense(18), 18, "good", "good"},   // hands the unit attention over as its data
        {ModeSense(0x2A, 64), 64, "6/28h/00h", "good"},
        {ReadCapacity(), 8, "6/28h/00h", "good"},
    };
    for (const auto& c : cases) {
        Harness h = OpenTray();
        ASSERT_EQ(h.Do(Load()), "good");
        h.Wait(8);
        EXPECT_EQ(h.Ask(c.cdb, c.bytes), c.answer) << int(c.cdb[0]);
        if (c.cdb[0] == 0x03) {
            EXPECT_EQ(h.SenseData(), "6/28h/00h");
        }
        EXPECT_EQ(h.Do(TestUnitReady()), c.thenTestUnitReady) << int(c.cdb[0]);
    }
}

TEST(Readiness, TheSenseSaysWhyTheDriveIsNotReady) {
    struct Case {
        const char* disc;
        bool trayOpen;
        const char* drive;
        const char* answer;
        uint16_t profile;
    } cases[] = {
        {"none", false, "range", "2/3Ah/00h", 0},    {"dvd+r", true, "range", "2/3Ah/02h", 0},
        {"none", true, "range", "2/3Ah/02h", 0},     {"bd-r", false, "dvdrom", "2/30h/00h", 0},
        {"bd-r", false, "range", "good", 0x0041},
    };
    for (const auto& c : cases) {
        DriveConfig config = DriveOfKind(c.drive);
        config.trayOpen = c.trayOpen;
        DiscConfig d;
        ASSERT_TRUE(ShortDiscConfig(c.disc, d));
        Harness h = Harness::With(config, d);
        EXPECT_EQ(h.Do(TestUnitReady()), c.answer) << c.disc << " " << c.drive;
        ASSERT_EQ(h.Ask(RequestSense(18), 18), "good");
        EXPECT_EQ(h.SenseData(), c.answer);
        ASSERT_EQ(h.Ask(GetConfiguration(0, 0, 8), 8), "good");
        EXPECT_EQ(h.Be16(6), c.profile);
    }
}

TEST(Readiness, APowerOnUnitAttentionComesFirst) {
    DriveConfig config = DriveOfKind("range");
    config.powerOnUnitAttention = true;
    Harness h = Harness::With(config, DefaultDiscConfig(DiscKind::CdR));
    EXPECT_EQ(h.Do(TestUnitReady()), "6/29h/00h");
    EXPECT_EQ(h.Do(TestUnitReady()), "good");
}

TEST(Tray, EventStatusShowsTheDoorAndTheMediumChanges) {
    Harness h = OpenTray();
    struct Step {
        Cdb command;
        uint8_t event, status;
    } steps[] = {
        {{}, 0, 0x01},             // open, the disc out on the tray
        {Load(), 2, 0x02},         // new medium
        {{}, 0, 0x02},             // reported once
        {Eject(), 3, 0x01},        // medium removal
    };
    for (const auto& s : steps) {
        if (!s.command.empty()) {
            ASSERT_EQ(h.Do(s.command), "good");
        }
        ASSERT_EQ(h.Ask(EventStatus(), 8), "good");
        EXPECT_EQ(h.Be16(0), 6u);
        EXPECT_EQ(h.data[2] & 0x07, 4);  // media class
        EXPECT_EQ(h.data[4] & 0x0F, s.event);
        EXPECT_EQ(h.data[5], s.status);
    }
    EXPECT_EQ(h.Ask(EventStatus(0x10, 8, false), 8), "5/24h/00h");  // only polling is supported
    ASSERT_EQ(h.Ask(EventStatus(0x02, 8), 8), "good");                 // no media class asked
    EXPECT_EQ(h.data[2], 0x80);
    EXPECT_EQ(h.last.transferred, 4u);
}

TEST(Tray, AManualTrayIsRefusedUntilTheUserPushesItIn) {
    struct Case {
        int pushesAfter;
        int refusalsWhileOpen;
    } cases[] = {{1, 1}, {3, 3}};
    for (const auto& c : cases) {
        Harness h = OpenTray([](DriveConfig& s) { s.trayLoad = TrayLoad::Manual; });
        DriveConfig config = h.drive->Config();
        config.userPushesAfterRefusals = c.pushesAfter;
        h = Harness::With(config, DefaultDiscConfig(DiscKind::DvdPlusR));
        int refusals = 0;
        while (h.drive->TrayOpen() && refusals < 10) {
            EXPECT_EQ(h.Do(Load()), "5/24h/00h");
            refusals++;
        }
        EXPECT_EQ(refusals, c.refusalsWhileOpen);
        EXPECT_EQ(h.Do(TestUnitReady()), "2/04h/01h");
    }
    Harness never = OpenTray([](DriveConfig& s) { s.trayLoad = TrayLoad::Manual; });
    for (int i = 0; i < 5; i++) EXPECT_EQ(never.Do(Load()), "5/24h/00h");
    EXPECT_TRUE(never.drive->TrayOpen());
    never.drive->PushTrayIn();
    EXPECT_FALSE(never.drive->TrayOpen());
    never.Wait(8);
    EXPECT_EQ(never.Do(TestUnitReady()), "6/28h/00h");
}

TEST(Tray, EjectOpensAndLoadOnAClosedTrayChangesNothing) {
    Harness h = Harness::Of("range", "cd-r");
    EXPECT_EQ(h.Do(Load()), "good");  // already closed: no spin-up
    EXPECT_EQ(h.Do(TestUnitReady()), "good");
    EXPECT_EQ(h.Do(Eject()), "good");
    EXPECT_TRUE(h.drive->TrayOpen());
    EXPECT_EQ(h.Do(Eject()), "good");
    EXPECT_EQ(h.Do(TestUnitReady()), "2/3Ah/02h");
}

TEST(Tray, DiscsComeAndGoWhileTheTrayIsClosed) {
    Harness h = Harness::Of("range", "none");
    std::shared_ptr<Disc> disc;
    std::string error;
    ASSERT_TRUE(Disc::Create(DefaultDiscConfig(DiscKind::BdR), disc, error));
    h.drive->InsertDisc(disc);
    EXPECT_EQ(h.Do(TestUnitReady()), "2/04h/01h");
    h.Wait(3);
    EXPECT_EQ(h.Do(TestUnitReady()), "6/28h/00h");
    ASSERT_EQ(h.Do(EraseLba(0x100000, 100000)), "good");
    h.drive->RemoveDisc();
    EXPECT_TRUE(h.drive->Erasures().back().aborted);
    EXPECT_EQ(h.Do(TestUnitReady()), "2/3Ah/00h");
}

}  // namespace
}  // namespace emu::test
