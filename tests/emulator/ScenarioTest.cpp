// Scenarios: the short names, the JSON files and their errors, every example of the
// documentation, and a bay plugged into the emulated system.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <regex>
#include <sstream>

#include "emulator/Scenario.h"
#include "platform/ScsiStructures.h"

namespace emu {
namespace {

TEST(ShortNames, DrivesGetRootsAndAddressesInOrder) {
    Scenario s;
    std::string error;
    ASSERT_TRUE(ParseShortScenario("range:dvd+r, cdrom:none ,whole:cd-r-open", s, error)) << error;
    ASSERT_EQ(s.drives.size(), 3u);
    struct Expect {
        const char* root;
        EraseKind erase;
        const char* preset;
        DiscKind disc;
        bool appendable;
    } expect[] = {{"D:\\", EraseKind::Range, "bd", DiscKind::DvdPlusR, false},
                  {"E:\\", EraseKind::None, "cd-rom", DiscKind::None, false},
                  {"F:\\", EraseKind::Whole, "bd", DiscKind::CdR, true}};
    for (size_t i = 0; i < 3; i++) {
        const BayDrive& d = s.drives[i];
        EXPECT_EQ(d.root, expect[i].root);
        EXPECT_EQ((std::vector<int>{d.port, d.pathId, d.target, d.lun}), (std::vector<int>{1, 0, int(i), 0}));
        EXPECT_EQ(d.drive.erase, expect[i].erase);
        EXPECT_EQ(d.drive.preset, expect[i].preset);
        EXPECT_EQ(d.disc.kind, expect[i].disc);
        EXPECT_EQ(d.disc.appendable, expect[i].appendable);
    }
    EXPECT_EQ(s.system.platformId, kPlatformWin32Nt);
    EXPECT_FALSE(s.system.wow64);
}

TEST(ShortNames, ABayHoldsZeroToSixteenDrives) {
    auto many = [](int n) {
        std::string t;
        for (int i = 0; i < n; i++) t += (i ? "," : "") + std::string("plain:none");
        return t;
    };
    Scenario s;
    std::string error;
    ASSERT_TRUE(ParseShortScenario("", s, error));
    EXPECT_TRUE(s.drives.empty());
    ASSERT_TRUE(ParseShortScenario(many(16), s, error));
    EXPECT_EQ(s.drives.back().root, "S:\\");
    EXPECT_FALSE(ParseShortScenario(many(17), s, error));
    EXPECT_NE(error.find("at most 16"), std::string::npos) << error;
}

TEST(ShortNames, MalformedNamesAreExplained) {
    struct Case {
        const char* text;
        std::vector<const char*> mentions;
    } cases[] = {
        {"range", {"drive 1", "KIND:DISC"}},
        {"range:dvd+r,ranged:cd-r", {"drive 2", "\"ranged\"", "range, whole"}},
        {"range:dvdr", {"drive 1", "\"dvdr\"", "dvd+r"}},
        {"range:dvd+r,", {"drive 2", "KIND:DISC"}},
    };
    for (const auto& c : cases) {
        Scenario s;
        std::string error;
        EXPECT_FALSE(ParseShortScenario(c.text, s, error)) << c.text;
        EXPECT_NE(error.find(std::string("scenario \"") + c.text + "\""), std::string::npos) << error;
        for (const char* m : c.mentions) EXPECT_NE(error.find(m), std::string::npos) << c.text << ": " << error;
    }
}

TEST(JsonScenarios, ErrorsNameTheFileTheKeyAndTheProblem) {
    struct Case {
        const char* json;
        const char* key;
        const char* problem;
    } cases[] = {
        {R"({"drives": [})", "bay.json", "not valid JSON"},
        {R"([1, 2])", "(top level)", "expected an object"},
        {R"({"drive": []})", "drive", "unknown key"},
        {R"({"system": {"family": "nt4"}})", "system.family", "one of nt, older"},
        {R"({"system": {"wow64": 1}})", "system.wow64", "true or false"},
        {R"({"system": {"version": "1.2.1"}})", "system.version", "four numbers"},
        {R"({"drives": [{"kind": "fast"}]})", "drives[0].kind", "range, whole"},
        {R"({"drives": [{}, {"preset": "bluray"}]})", "drives[1].preset", "bd-combo"},
        {R"({"drives": [{"port": 300}]})", "drives[0].port", "0 to 255"},
        {R"({"drives": [{"target": "1Gh"}]})", "drives[0].target", "whole number"},
        {R"({"drives": [{"vendor": "TOO LONG VENDOR"}]})", "drives[0].vendor", "8 characters"},
        {R"({"drives": [{"labelPage": "0x2A"}]})", "drives[0].labelPage", "clashes"},
        {R"({"drives": [{"preset": "xbox-dvd", "labelPage": 60}]})", "drives[0].labelPage", "clashes"},
        {R"({"drives": [{"vendorRevisionLength": 7}]})", "drives[0].vendorRevisionLength", "6 or 8"},
        {R"({"drives": [{"disc": {"appendable": true}}]})", "drives[0].disc.kind", "missing"},
        {R"({"drives": [{"disc": {"kind": "cd-r", "leadInStart": "97:61:00"}}]})", "drives[0].disc.leadInStart", "seconds 0-59"},
        {R"({"drives": [{"disc": {"kind": "cd-r", "tracks": [300000, 100000]}}]})", "drives[0].disc.tracks", "past the disc's capacity"},
        {R"({"drives": [{"disc": {"kind": "dvd+r", "tracks": [{"start": 10}]}}]})", "drives[0].disc.tracks[0].length", "missing"},
        {R"({"drives": [{"disc": {"kind": "bd-r", "layerSectors": 1000}}]})", "drives[0].disc.layerSectors", "multiple of 32"},
        {R"({"drives": [{"faults": [{"opcode": 0}]}]})", "drives[0].faults[0].action", "missing"},
        {R"({"drives": [{"faults": [{"action": "sense"}]}]})", "drives[0].faults[0].sense", "missing"},
        {R"({"drives": [{"faults": [{"action": "sense", "sense": "2-04-01"}]}]})", "drives[0].faults[0].sense", "2/04h/01h"},
        {R"({"drives": [{"faults": [{"action": "busy", "sense": [2, 4, 1]}]}]})", "drives[0].faults[0].sense", "only the action"},
        {R"({"drives": [{"faults": [{"action": "explode"}]}]})", "drives[0].faults[0].action", "vanish"},
        {R"({"drives": [{"userPushesAfterRefusals": 0}]})", "drives[0].userPushesAfterRefusals", "-1 (never)"},
    };
    for (const auto& c : cases) {
        Scenario s;
        std::string error;
        EXPECT_FALSE(ParseScenarioJson(c.json, "bay.json", s, error)) << c.json;
        EXPECT_EQ(error.rfind("bay.json: ", 0), 0u) << error;
        EXPECT_NE(error.find(c.key), std::string::npos) << c.json << " -> " << error;
        EXPECT_NE(error.find(c.problem), std::string::npos) << c.json << " -> " << error;
    }
    std::string many = R"({"drives": [)";
    for (int i = 0; i < 17; i++) many += i ? ",{}" : "{}";
    Scenario s;
    std::string error;
    EXPECT_FALSE(ParseScenarioJson(many + "]}", "bay.json", s, error));
    EXPECT_NE(error.find("drives: 17 drives"), std::string::npos) << error;
}

TEST(JsonScenarios, KeysReachTheDriveAndTheDisc) {
    const char* text = R"({
      "system": {"family": "older", "wow64": true, "aspi": "status-old-manager", "version": "10.0.3.7"},
      "drives": [{"kind": "whole", "preset": "dvd-dual", "root": "", "port": 2, "target": "0x0A",
                  "eraseSpeed": {"cd": 500}, "features": {"2F": false}, "tray": "open",
                  "disc": {"kind": "cd-r", "atipSubType": 5, "tracks": [1000, {"start": 2000, "length": 10}]},
                  "faults": [{"opcode": "DFh", "count": 0, "action": "sense", "sense": [3, "0x11", 0]}]}]})";
    Scenario s;
    std::string error;
    ASSERT_TRUE(ParseScenarioJson(text, "x.json", s, error)) << error;
    EXPECT_EQ(s.system.platformId, kPlatformWin32Windows);
    EXPECT_EQ(s.system.aspi, AspiManagerState::StatusOldManager);
    EXPECT_EQ(s.system.versionMs, 0x000A0000u);
    EXPECT_EQ(s.system.versionLs, 0x00030007u);
    const BayDrive& d = s.drives.at(0);
    EXPECT_EQ(d.root, "");
    EXPECT_EQ(d.port, 2);
    EXPECT_EQ(d.target, 10);
    EXPECT_EQ(d.drive.erase, EraseKind::Whole);
    EXPECT_EQ(d.drive.preset, "dvd-dual");
    EXPECT_EQ(d.drive.eraseSpeed.cd, 500);
    EXPECT_EQ(d.drive.feature2F, 0);
    EXPECT_TRUE(d.drive.trayOpen);
    EXPECT_EQ(d.disc.atipSubType, 5);
    ASSERT_EQ(d.disc.tracks.size(), 2u);
    EXPECT_EQ(d.disc.tracks[1].start, 2000);
    ASSERT_EQ(d.drive.faults.size(), 1u);
    EXPECT_EQ(d.drive.faults[0].opcode, 0xDF);
    EXPECT_EQ(d.drive.faults[0].count, 0);
    EXPECT_EQ(d.drive.faults[0].asc, 0x11);
}

TEST(JsonScenarios, FilesAreReadFromDisk) {
    const std::string path = ::testing::TempDir() + "emulator_bay.json";
    std::ofstream(path) << R"({"drives": [{"disc": "bd-r-dl"}, {"kind": "cdrom"}]})";
    Scenario s;
    std::string error;
    ASSERT_TRUE(LoadScenario(path, s, error)) << error;
    EXPECT_EQ(s.source, path);
    EXPECT_EQ(s.drives.size(), 2u);
    EXPECT_FALSE(LoadScenario(path + ".missing.json", s, error));
    EXPECT_NE(error.find("cannot be opened"), std::string::npos) << error;
    std::remove(path.c_str());
}

// Every example of docs/emulator.md: fenced "json" blocks are files, "scenario" blocks hold one
// short name per line.
TEST(Documentation, EveryExampleLoadsAndBuildsABay) {
    std::ifstream in(NULLBURN_EMULATOR_DOC);
    ASSERT_TRUE(in) << NULLBURN_EMULATOR_DOC;
    std::stringstream doc;
    doc << in.rdbuf();
    const std::string text = doc.str();
    const std::regex block("```(json|scenario)\\n([\\s\\S]*?)```");
    int files = 0, names = 0;
    for (std::sregex_iterator it(text.begin(), text.end(), block), end; it != end; ++it) {
        std::vector<std::string> examples;
        if ((*it)[1] == "json") {
            examples.push_back((*it)[2]);
        } else {
            std::istringstream lines((*it)[2]);
            for (std::string line; std::getline(lines, line);) examples.push_back(line);
        }
        for (const auto& example : examples) {
            Scenario s;
            std::string error;
            const bool ok = (*it)[1] == "json" ? ParseScenarioJson(example, "docs/emulator.md", s, error)
                                               : ParseShortScenario(example, s, error);
            EXPECT_TRUE(ok) << error << "\n" << example;
            Bay bay;
            EXPECT_TRUE(BuildBay(s, bay, error)) << error;
            EXPECT_EQ(bay.models.size(), s.drives.size());
            ((*it)[1] == "json" ? files : names)++;
        }
    }
    EXPECT_GE(files, 7);
    EXPECT_GE(names, 4);
}

TEST(Bay, TheEmulatedSystemReachesTheModelsThroughPassThrough) {
    Scenario s;
    std::string error;
    ASSERT_TRUE(ParseShortScenario("range:dvd+r,whole:cd-r", s, error));
    s.drives[1].drive.product = "SECOND";
    Bay bay;
    ASSERT_TRUE(BuildBay(s, bay, error)) << error;
    auto system = MakeEmulatedSystem(bay);
    char roots[64] = {};
    ASSERT_EQ(system->GetLogicalDriveStringsA(sizeof roots, roots), 12u);  // behind the fixed disk C:
    EXPECT_EQ(std::string(roots + 4, 8), std::string("D:\\\0E:\\\0", 8));
    EXPECT_EQ(system->GetDriveTypeA("E:\\"), kDriveCdrom);

    char path[32];
    system->DevicePathOfRoot("E:\\", path, sizeof path);
    SysHandle handle = system->CreateFileA(path);
    ASSERT_NE(handle, kInvalidHandle);
    PassThroughBlock block{};
    uint8_t data[96] = {};
    block.sptd.Length = sizeof(ScsiPassThroughDirect);
    block.sptd.CdbLength = 12;
    block.sptd.SenseInfoLength = 32;
    block.sptd.SenseInfoOffset = offsetof(PassThroughBlock, sense);
    block.sptd.DataIn = kScsiIoctlDataIn;
    block.sptd.DataTransferLength = sizeof data;
    block.sptd.TimeOutValue = 60;
    block.sptd.DataBuffer = data;
    const uint8_t inquiry[] = {0x12, 0, 0, 0, 96, 0};
    std::memcpy(block.sptd.Cdb, inquiry, sizeof inquiry);
    uint32_t returned = 0;
    ASSERT_TRUE(system->DeviceIoControl(handle, kIoctlScsiPassThroughDirect, &block, sizeof block, &block, sizeof block, &returned));
    EXPECT_EQ(block.sptd.ScsiStatus, 0);
    EXPECT_EQ(block.sptd.DataTransferLength, 96u);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(data) + 16, 6), "SECOND");
    EXPECT_EQ(bay.models[1]->CountReceived(0x12), 1u);
    EXPECT_TRUE(bay.models[0]->Received().empty());
    system->CloseHandle(handle);
}

}  // namespace
}  // namespace emu
