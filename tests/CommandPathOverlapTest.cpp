// The command path's checks, once against the scripted drive and once against the emulated
// drive, over both transports: the two drives must be read the same way.
#include <gtest/gtest.h>

#include "emulator/Scenario.h"
#include "support/ScriptedBay.h"

namespace {

struct Path {
    const char* name;
    bool emulated;
    bool aspi;
};

// A device with one drive that holds no disc, selected.
struct AnyBay {
    explicit AnyBay(const Path& p) {
        EmulatedSystemConfig config;
        if (p.aspi) config.platformId = kPlatformWin32Windows;
        if (!p.emulated) {
            scripted = std::make_unique<ScriptedBay>(config, p.aspi);
            device = scripted->device.get();
            scripted->drive->SetDefault(ScriptedReply::Check(2, 0x3A, 0));
            return;
        }
        std::string error;
        emu::Scenario s;
        EXPECT_TRUE(emu::ParseShortScenario("range:none", s, error)) << error;
        s.system = config;
        if (p.aspi) s.drives[0].root = "";
        EXPECT_TRUE(emu::BuildBay(s, bay, error)) << error;
        system = emu::MakeEmulatedSystem(bay);
        own = std::make_unique<AtapiDevice>(*system);
        device = own.get();
        device->SelectDrive(0);
    }
    // Queues an INQUIRY answer on the scripted drive; the emulated drive answers by itself.
    void ExpectInquiry() {
        if (scripted) scripted->drive->Expect("12", ScriptedReply::Good(InquiryData("EMULATED")));
    }
    std::unique_ptr<ScriptedBay> scripted;
    emu::Bay bay;
    std::unique_ptr<EmulatedSystem> system;
    std::unique_ptr<AtapiDevice> own;
    AtapiDevice* device = nullptr;
};

class CommandPath : public testing::TestWithParam<Path> {};

TEST_P(CommandPath, DataInLandsInTheBuffer) {
    AnyBay bay(GetParam());
    bay.ExpectInquiry();
    ASSERT_TRUE(bay.device->Inquiry(0, 0, 0, 96, 0));
    EXPECT_EQ(bay.device->lastCommand.result, kResultSuccess);
    EXPECT_EQ(std::memcmp(bay.device->GetDataBuffer() + 8, "EMULATED", 8), 0);
    EXPECT_EQ(bay.device->lastCommand.senseKey, 0);
}

TEST_P(CommandPath, CheckConditionCarriesTheDrivesSense) {
    AnyBay bay(GetParam());
    EXPECT_FALSE(bay.device->TestUnitReady());
    EXPECT_EQ(bay.device->lastCommand.result, kResultCheckCondition);
    EXPECT_TRUE(bay.device->IsSense(2, 0x3A, 0x00) || bay.device->IsSense(2, 0x3A, 0x01));
}

TEST_P(CommandPath, NoAddressSendsNothing) {
    AnyBay bay(GetParam());
    bay.device->SetTarget(kInvalidHandle, -1, -1, -1, -1);
    EXPECT_FALSE(bay.device->TestUnitReady());
    if (!GetParam().aspi) {
        EXPECT_EQ(bay.device->lastCommand.result, kResultFailed);
    }
}

INSTANTIATE_TEST_SUITE_P(BothDrives, CommandPath,
                         testing::Values(Path{"ScriptedSpti", false, false}, Path{"ScriptedAspi", false, true},
                                         Path{"EmulatedSpti", true, false}, Path{"EmulatedAspi", true, true}),
                         [](const testing::TestParamInfo<Path>& i) { return std::string(i.param.name); });

}  // namespace
