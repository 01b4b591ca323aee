// Start-up: the drive list, the classification, the no-data probe, selection.
#include "platform/emulated/ScriptedDrive.h"
#include "support/Bench.h"

namespace {

using Tweak = std::function<void(emu::Scenario&)>;

struct ListCase {
    const char* name;
    const char* scenario;
    Tweak tweak;
    std::vector<std::string> rows;
    std::vector<int> slots;  // the drive slot of each row
};

void Identity(emu::BayDrive& d, const char* vendor, const char* product, const char* revision) {
    d.drive.vendor = vendor;
    d.drive.product = product;
    d.drive.revision = revision;
}

TEST(DriveList, RowsByteForByte) {
    const ListCase cases[] = {
        {"letters in address order", "range:dvd+r,cdrom:none,whole:cd-r", {},
         {" 1-0-0-0 D:EMULATEDBD-RW EB-2080    1.00", " 1-0-2-0 F:EMULATEDBD-RW EB-2080    1.00"}, {0, 2}},
        // Drives pad their identity with blanks, so the columns line up without the format's help.
        {"identity columns", "range:none",
         [](emu::Scenario& s) { Identity(s.drives[0], "NB", "WRITER", "A1"); },
         {" 1-0-0-0 D:NB      WRITER           A1  "}, {0}},
        {"failed address queries get placeholder adapters after the others", "range:none,range:none,range:none",
         [](emu::Scenario& s) {
             s.drives[0].addressQueryFails = true;
             s.drives[1].addressQueryFails = true;
         },
         {" 1-0-2-0 F:EMULATEDBD-RW EB-2080    1.00", " 2-0-0-0 D:EMULATEDBD-RW EB-2080    1.00",
          " 3-0-0-0 E:EMULATEDBD-RW EB-2080    1.00"}, {0, 1, 2}},
        {"equal keys keep their order", "range:none,whole:none",
         [](emu::Scenario& s) {
             s.drives[1].target = 0;
             Identity(s.drives[1], "SECOND", "DRIVE", "2.00");
         },
         {" 1-0-0-0 D:EMULATEDBD-RW EB-2080    1.00", " 1-0-0-0 E:SECOND  DRIVE            2.00"}, {0, 1}},
        {"a drive on port 16 is not in the table", "range:none,range:none",
         [](emu::Scenario& s) { s.drives[1].port = 16; }, {" 1-0-0-0 D:EMULATEDBD-RW EB-2080    1.00"}, {0}},
        {"a read-only CD-ROM between two writers", "range:none,cdrom:none,range:none", {},
         {" 1-0-0-0 D:EMULATEDBD-RW EB-2080    1.00", " 1-0-2-0 F:EMULATEDBD-RW EB-2080    1.00"}, {0, 2}},
        {"a BD-ROM drive is listed", "bdrom:none", {}, {" 1-0-0-0 D:EMULATEDBD-ROM EB-0800   1.00"}, {0}},
        {"a DVD-ROM drive only with CD-R writing", "dvdrom:none,dvdrom:none",
         [](emu::Scenario& s) {
             s.drives[1].drive.caps.writesCdR = true;
             Identity(s.drives[1], "EMULATED", "DVD/CD-RW", "2.00");
         },
         {" 1-0-1-0 E:EMULATEDDVD/CD-RW        2.00"}, {1}},
        {"control characters from the drive never reach the list", "range:none",
         [](emu::Scenario& s) { Identity(s.drives[0], "EVIL\x1b[2J", "\tDRIVE", "1\a"); },
         {" 1-0-0-0 D:EVIL?[2J?DRIVE           1?  "}, {0}},
    };
    for (auto& c : cases) {
        SCOPED_TRACE(c.name);
        Bench b(c.scenario, c.tweak);
        EXPECT_EQ(b.view.rows, c.rows);
        for (size_t r = 0; r < c.slots.size(); r++) EXPECT_EQ(b.form->DriveOfRow(int(r)), c.slots[r]);
        EXPECT_EQ(b.form->DriveOfRow(int(c.slots.size())), -1);
        EXPECT_EQ(b.view.itemIndex, 0);
        EXPECT_FALSE(b.view.terminated);
        EXPECT_EQ(b.view.helpText, "");
        EXPECT_EQ(b.view.caption, "Nullburn v1.2.1");
    }
}

TEST(DriveList, DriveFoundThroughAspiHasNoLetter) {
    Bench b("range:none", [](emu::Scenario& s) {
        s.system.platformId = kPlatformWin32Windows;
        s.drives[0].root = "";
        s.drives[0].port = 0;
        s.drives[0].target = 1;
    });
    EXPECT_EQ(b.view.rows, std::vector<std::string>{" 0-0-1-0 EMULATEDBD-RW EB-2080    1.00"});
    EXPECT_TRUE(b.Device().GetDrive(0)->viaAspi);
}

TEST(DriveList, NoDriveMeansMessageDisabledControlsAndTheEnd) {
    const char* scenarios[] = {"", "cdrom:none", "dvdrom:none"};
    for (const char* s : scenarios) {
        SCOPED_TRACE(s);
        Bench b(s);
        ASSERT_EQ(b.view.dialogs.size(), 1u);
        EXPECT_EQ(b.view.dialogs[0].caption, "Error ...");
        EXPECT_EQ(b.view.dialogs[0].text, "No drive detected !");
        EXPECT_EQ(b.view.dialogs[0].icon, kIconStop);
        EXPECT_FALSE(b.view.dialogs[0].controlsEnabled);
        EXPECT_TRUE(b.view.terminated);
    }
}

TEST(DriveList, IdentificationFailingEveryTryDropsTheDrive) {
    Bench b("range:none,range:none", [](emu::Scenario& s) {
        emu::FaultRule inquiryFails;
        inquiryFails.opcode = 0x12;
        inquiryFails.count = 0;
        inquiryFails.key = 5;
        inquiryFails.asc = 0x24;
        s.drives[0].drive.faults.push_back(inquiryFails);
    });
    EXPECT_EQ(b.view.rows, std::vector<std::string>{" 1-0-1-0 E:EMULATEDBD-RW EB-2080    1.00"});
    // Ten tries, each with the vendor-mode INQUIRY after the standard one, then the classification's two.
    EXPECT_EQ(b.Drive(0).CountReceived(0x12), 22u);
}

TEST(DriveList, VendorModeDriveIsIdentifiedByItsOwnLayout) {
    for (int revisionLength : {6, 8}) {
        Bench b("range:none", [&](emu::Scenario& s) {
            s.drives[0].drive.vendorMode = true;
            s.drives[0].drive.vendorRevisionLength = revisionLength;
            Identity(s.drives[0], "EMULATED", "XB-DRIVE", revisionLength == 6 ? "0A1B2C" : "REV12345");
        });
        const DriveRecord* d = b.Device().GetDrive(0);
        ASSERT_NE(d, nullptr);
        EXPECT_EQ(d->vendorMode, 1);
        EXPECT_STREQ(d->product, "XB-DRIVE");
        EXPECT_STREQ(d->revision, revisionLength == 6 ? "0A1B2C" : "REV12345");
        EXPECT_EQ(d->typeCode, 22);
    }
}

TEST(Classification, OneRowPerDecision) {
    struct Case {
        const char* preset;
        uint8_t code;
    } cases[] = {
        {"cd-rom", 1}, {"dvd-rom", 2}, {"cd-rw", 3}, {"combo", 4}, {"dvd-r-rw", 10}, {"dvd-dual", 11},
        {"super-allwrite", 12}, {"bd", 13}, {"bd-combo", 14}, {"bd-rom", 15}, {"hd", 16}, {"hd-combo", 17},
        {"hd-rom", 18}, {"uni-combo", 20}, {"uni-writer", 21}, {"xbox-dvd", 22},
    };
    for (auto& c : cases) {
        SCOPED_TRACE(c.preset);
        Bench b("range:none", [&](emu::Scenario& s) { ASSERT_TRUE(emu::ApplyDrivePreset(c.preset, s.drives[0].drive)); }, false);
        AtapiDevice device(*b.system);
        ASSERT_EQ(device.GetDriveCount(), 1);
        EXPECT_EQ(device.GetDrive(0)->typeCode, c.code);
        EXPECT_STREQ(device.GetDrive(0)->typeName, AtapiDevice::DriveTypeName(c.code));
    }
    // A drive whose capabilities page cannot be read is unknown.
    Bench b("range:none", [](emu::Scenario& s) {
        emu::FaultRule f;
        f.opcode = 0x5A;
        f.count = 0;
        f.key = 5;
        f.asc = 0x24;
        s.drives[0].drive.faults.push_back(f);
        ASSERT_TRUE(emu::ApplyDrivePreset("dvd-dual", s.drives[0].drive));
    }, false);
    AtapiDevice device(*b.system);
    EXPECT_EQ(device.GetDrive(0)->typeCode, 0);
}

TEST(NoDataProbe, DecidesForAllDrivesFromTheFirstUnder64BitWindows) {
    struct Case {
        bool ignores;
        bool wow64;
        size_t secondDriveLocks;  // PREVENT ALLOW commands the second drive received
    } cases[] = {{false, true, 0}, {true, true, 0}, {false, false, 0}};
    for (auto& c : cases) {
        Bench b("range:none,range:none", [&](emu::Scenario& s) {
            s.system.wow64 = c.wow64;
            s.drives[0].drive.ignoreNoDataCommands = c.ignores;
            s.drives[1].drive.ignoreNoDataCommands = c.ignores;
        });
        EXPECT_EQ(b.Drive(1).CountReceived(0x1E), c.secondDriveLocks);
        EXPECT_EQ(b.Drive(0).CountReceived(0x1E), c.wow64 ? (c.ignores ? 2u : 2u) : 0u);
        EXPECT_FALSE(b.Drive(0).LockState());  // an honoured lock is restored
        // With the work-around a no-data command goes out as a 16-byte data-in transfer.
        b.Drive(1).ClearReceived();
        b.view.itemIndex = 1;
        b.form->cboDrivesChange();
        b.Device().TestUnitReady();
        const emu::DriveCommand& tur = b.Drive(1).Received().back();
        bool fix = c.wow64 && c.ignores;
        EXPECT_EQ(tur.direction, fix ? 1 : 2);
        EXPECT_EQ(tur.dataLength, fix ? 16u : 0u);
    }
}

TEST(Selection, PickingARowOpensThatDriveAndClosesTheOther) {
    Bench b("range:dvd+r,range:cd-r");
    EXPECT_EQ(b.system->OpenHandleCount(), 1);
    b.view.itemIndex = 1;
    b.form->cboDrivesChange();
    EXPECT_EQ(b.system->OpenHandleCount(), 1);
    EXPECT_EQ(b.Device().SelectedIndex(), 1);
    EXPECT_EQ(b.Device().IdentifyMedia(0), 4);
    EXPECT_FALSE(b.Device().SelectDrive(5));
    EXPECT_EQ(b.Device().SelectedIndex(), 1);
    b.form->FormDestroy();
    EXPECT_EQ(b.system->OpenHandleCount(), 0);
}

}  // namespace

namespace {

// Seventeen drives on either transport: the table takes sixteen and writes nothing past its end.
TEST(DriveTable, NeverTakesASeventeenthDrive) {
    for (uint32_t platform : {kPlatformWin32Nt, kPlatformWin32Windows}) {
        EmulatedSystemConfig config;
        config.platformId = platform;
        EmulatedSystem system(config);
        std::vector<std::shared_ptr<ScriptedDrive>> models;
        for (int i = 0; i < 17; i++) {
            auto model = std::make_shared<ScriptedDrive>();
            std::vector<uint8_t> inquiry(96, ' ');
            inquiry[0] = 0x05;
            std::memcpy(&inquiry[8], "NULLBURN", 8);
            model->SetDefault(ScriptedReply::Good(inquiry));
            models.push_back(model);
            EmulatedDrive d;
            if (platform == kPlatformWin32Nt) d.root = std::string(1, char('D' + i)) + ":\\";
            d.port = 0;
            d.target = int16_t(i % 16);
            d.lun = int16_t(i / 16);
            d.model = model;
            system.AddDrive(d);
        }
        AtapiDevice device(system);
        EXPECT_EQ(device.GetDriveCount(), 16);
        EXPECT_EQ(device.GetDrive(16), nullptr);
        // Exactly one drive was left out, and it was never sent a command.
        EXPECT_EQ(std::count_if(models.begin(), models.end(), [](auto& m) { return m->received.empty(); }), 1);
    }
}

}  // namespace
