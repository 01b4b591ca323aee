// The bytes, direction and length of every command the program sends.
#include <gtest/gtest.h>

#include <functional>

#include "support/ScriptedBay.h"

namespace {

struct CommandCase {
    const char* name;
    std::function<bool(AtapiDevice&)> send;
    const char* cdb;
    uint8_t direction;
    uint32_t length;
};

const CommandCase kCommands[] = {
    {"TestUnitReady", [](AtapiDevice& d) { return d.TestUnitReady(); }, "00 00 00 00 00 00 00 00 00 00 00 00", 2, 0},
    {"RequestSense", [](AtapiDevice& d) { return d.RequestSense(32, 0); }, "03 00 00 00 20 00 00 00 00 00 00 00", 1, 32},
    {"InquiryVendorControl", [](AtapiDevice& d) { return d.Inquiry(0, 0, 0, 96, 0xC0); }, "12 00 00 00 60 C0 00 00 00 00 00 00", 1, 96},
    {"InquiryBits", [](AtapiDevice& d) { return d.Inquiry(3, 3, 0x80, 36, 0); }, "12 03 80 00 24 00 00 00 00 00 00 00", 1, 36},
    {"Load", [](AtapiDevice& d) { return d.LoadMedium(); }, "1B 00 00 00 03 00 00 00 00 00 00 00", 2, 0},
    {"Eject", [](AtapiDevice& d) { return d.EjectMedium(); }, "1B 00 00 00 02 00 00 00 00 00 00 00", 2, 0},
    {"StartStopCut", [](AtapiDevice& d) { return d.StartStopUnit(3, 0x1F, 3, 3); }, "1B 01 00 00 F3 00 00 00 00 00 00 00", 2, 0},
    {"PreventPersistent", [](AtapiDevice& d) { return d.PreventAllowMediumRemoval(1, 1, 0); }, "1E 00 00 00 03 00 00 00 00 00 00 00", 2, 0},
    {"ReadCapacity", [](AtapiDevice& d) { return d.ReadCapacity(); }, "25 00 00 00 00 00 00 00 00 00 00 00", 1, 8},
    {"AtipMsf", [](AtapiDevice& d) { return d.ReadTocPmaAtip(1, 4, 0, 0xFFFE, 0); }, "43 02 04 00 00 00 00 FF FE 00 00 00", 1, 65534},
    {"AtipIdentify", [](AtapiDevice& d) { return d.ReadTocPmaAtip(0, 4, 0, 1024, 0); }, "43 00 04 00 00 00 00 04 00 00 00 00", 1, 1024},
    {"GetConfigurationAll", [](AtapiDevice& d) { return d.GetConfiguration(0, 0, 65532, 0); }, "46 00 00 00 00 00 00 FF FC 00 00 00", 1, 65532},
    {"GetConfigurationOne", [](AtapiDevice& d) { return d.GetConfiguration(2, 0x41, 1024, 0); }, "46 02 00 41 00 00 00 04 00 00 00 00", 1, 1024},
    {"EventStatusMedia", [](AtapiDevice& d) { return d.GetEventStatusNotification(1, 0x10, 8, 0); }, "4A 01 00 00 10 00 00 00 08 00 00 00", 1, 8},
    {"DiscInformation", [](AtapiDevice& d) { return d.ReadDiscInformation(24, 0); }, "51 00 00 00 00 00 00 00 18 00 00 00", 1, 24},
    {"TrackInformation", [](AtapiDevice& d) { return d.ReadTrackInformation(1, 0x01020304, 4096, 0); }, "52 01 01 02 03 04 00 10 00 00 00 00", 1, 4096},
    {"ModeSenseDbd", [](AtapiDevice& d) { return d.ModeSense10(1, 0, 0x2A, 240, 0); }, "5A 08 2A 00 00 00 00 00 F0 00 00 00", 1, 240},
    {"ModeSensePageCut", [](AtapiDevice& d) { return d.ModeSense10(0, 0, 0x7F, 42, 0); }, "5A 00 3F 00 00 00 00 00 2A 00 00 00", 1, 42},
    {"ModeSensePageControl", [](AtapiDevice& d) { return d.ModeSense10(0, 2, 0x3C, 128, 0); }, "5A 00 BC 00 00 00 00 00 80 00 00 00", 1, 128},
    {"DiscStructureBd", [](AtapiDevice& d) { return d.ReadDiscStructure(0, 0, 0, 4100, 0, 0, 1); }, "AD 01 00 00 00 00 00 00 10 04 00 00", 1, 4100},
    {"DiscStructureDds", [](AtapiDevice& d) { return d.ReadDiscStructure(0x01020304, 1, 8, 4096, 3, 0, 1); }, "AD 01 01 02 03 04 01 08 10 00 C0 00", 1, 4096},
    {"Read10", [](AtapiDevice& d) { return d.Read10(0x30000, 2, 4096); }, "28 00 00 03 00 00 00 00 02 00 00 00", 1, 4096},
    {"Read12", [](AtapiDevice& d) { return d.Read12(0x30000, 2, 4096); }, "A8 00 00 03 00 00 00 00 00 02 00 00", 1, 4096},
    {"EraseDiscAnyEnable", [](AtapiDevice& d) { return d.VendorEraseDisc(5, 1); }, "DC 01 01 00 00 00 00 00 00 00 00 00", 2, 0},
    {"EraseDiscFull", [](AtapiDevice& d) { return d.VendorEraseDisc(1, 0); }, "DC 01 00 00 00 00 00 00 00 00 00 00", 2, 0},
    {"SupportProbe", [](AtapiDevice& d) { return d.VendorEraseRangeLba(0xFFFFFFFF, 0, 0, 0); }, "DF 1A FF FF FF FF 00 00 00 00 00 00", 2, 0},
    {"EraseRangeLba", [](AtapiDevice& d) { return d.VendorEraseRangeLba(0x30000, 0x10000, 1, 0); }, "DF 1A 00 03 00 00 00 01 00 00 80 00", 2, 0},
    {"EraseRangeLbaLowFlag", [](AtapiDevice& d) { return d.VendorEraseRangeLba(0, 1, 0, 1); }, "DF 1A 00 00 00 00 00 00 00 01 20 00", 2, 0},
    {"EraseRangeMsfBlock0", [](AtapiDevice& d) { return d.VendorEraseRangeMsf(0, 2256, 0, 1, 0); }, "DF 1A 00 00 02 00 00 00 08 D0 80 00", 2, 0},
    {"EraseRangeMsfLeadIn", [](AtapiDevice& d) { return d.VendorEraseRangeMsf(0x6AC76, 0x3159, 0xFF, 1, 0); }, "DF 1A FF 61 0D 29 00 00 31 59 80 00", 2, 0},
    {"EraseRangeMsfLastFrame", [](AtapiDevice& d) { return d.VendorEraseRangeMsf(0x6DD39, 0, 0, 0, 0); }, "DF 1A 00 63 3B 4A 00 00 00 00 00 00", 2, 0},
    {"EraseRangeMsfMinus150", [](AtapiDevice& d) { return d.VendorEraseRangeMsf(0xFFFFFF6A, 0, 0, 0, 0); }, "DF 1A 00 00 00 00 00 00 00 00 00 00", 2, 0},
};

void PrintTo(const CommandCase& c, std::ostream* os) { *os << c.name; }

class CommandBytes : public testing::TestWithParam<CommandCase> {};

TEST_P(CommandBytes, GoOutAsBuilt) {
    ScriptedBay bay;
    const CommandCase& c = GetParam();
    EXPECT_TRUE(c.send(*bay.device));
    ASSERT_EQ(bay.drive->received.size(), 1u);
    const ReceivedCommand& r = bay.drive->received[0];
    EXPECT_EQ(r.Hex(), c.cdb);
    EXPECT_EQ(r.cdbLength, 12);
    EXPECT_EQ(r.direction, c.direction);
    EXPECT_EQ(r.dataLength, c.length);
}

INSTANTIATE_TEST_SUITE_P(All, CommandBytes, testing::ValuesIn(kCommands),
                         [](const testing::TestParamInfo<CommandCase>& i) { return std::string(i.param.name); });

// The answer to GET CONFIGURATION for one feature: header with the given data length, then the
// feature descriptor.
std::vector<uint8_t> FeatureAnswer(uint32_t dataLength, uint16_t feature) {
    std::vector<uint8_t> a(16, 0);
    a[0] = uint8_t(dataLength >> 24);
    a[1] = uint8_t(dataLength >> 16);
    a[2] = uint8_t(dataLength >> 8);
    a[3] = uint8_t(dataLength);
    a[8] = uint8_t(feature >> 8);
    a[9] = uint8_t(feature);
    return a;
}

TEST(HasFeature, NeedsTheFeatureFirstAndAFullDescriptor) {
    struct Case {
        ScriptedReply reply;
        bool expected;
    } cases[] = {
        {ScriptedReply::Good(FeatureAnswer(0x0C, 0x41)), true},
        {ScriptedReply::Good(FeatureAnswer(0x04, 0x41)), false},
        {ScriptedReply::Good(FeatureAnswer(0x0C, 0x40)), false},
        {ScriptedReply::Check(5, 0x24, 0), false},
    };
    for (auto& c : cases) {
        ScriptedBay bay;
        bay.drive->Expect("46 02 00 41", c.reply);
        EXPECT_EQ(bay.device->HasFeature(0x41), c.expected);
        EXPECT_TRUE(bay.drive->mismatches.empty());
    }
}

TEST(ClearUnitAttention, RepeatsOnlyWhileTheDriveReportsUnitAttention) {
    ScriptedBay bay;
    bay.drive->Expect("00", ScriptedReply::Check(6, 0x28, 0));
    bay.drive->Expect("00", ScriptedReply::Good());
    bay.device->ClearUnitAttention();
    EXPECT_EQ(bay.drive->received.size(), 2u);

    ScriptedBay other;
    other.drive->Expect("00", ScriptedReply::Check(2, 0x3A, 0));
    other.device->ClearUnitAttention();
    EXPECT_EQ(other.drive->received.size(), 1u);
}

TEST(ClearUnitAttention, GivesUpOnADriveThatNeverStops) {
    ScriptedBay bay;
    bay.drive->SetDefault(ScriptedReply::Check(6, 0x29, 0));
    bay.device->ClearUnitAttention();
    EXPECT_EQ(bay.drive->received.size(), 1000u);
}

}  // namespace
