// A scenario: a bay of emulated drives with their discs, the system they sit in and the faults
// they will show. Given as a short name ("range:dvd+r,cdrom:none") or as a JSON file that can
// set every value; docs/emulator.md lists both forms.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "emulator/Disc.h"
#include "emulator/MmcDrive.h"
#include "platform/emulated/EmulatedSystem.h"

namespace emu {

struct BayDrive {
    std::string root;  // "D:\\"; empty when only the ASPI manager lists the drive
    int16_t port = 1, pathId = 0, target = 0, lun = 0;
    bool addressQueryFails = false;
    bool addressLengthZero = false;
    bool openFails = false;
    DriveConfig drive;
    DiscConfig disc;
};

struct Scenario {
    std::string source;  // the file or the short name it came from
    EmulatedSystemConfig system;
    std::vector<BayDrive> drives;
};

constexpr size_t kMaxBayDrives = 16;

// Each returns false with a text naming the source, the key and what is wrong.
bool ParseShortScenario(const std::string& text, Scenario& scenario, std::string& error);
bool ParseScenarioJson(const std::string& text, const std::string& sourceName, Scenario& scenario, std::string& error);
bool LoadScenarioFile(const std::string& path, Scenario& scenario, std::string& error);
// A name ending in ".json" is a file; anything else a short name.
bool LoadScenario(const std::string& nameOrPath, Scenario& scenario, std::string& error);

// The short form's drive kinds (range, whole, plain, cdrom, dvdrom, bdrom) and discs.
bool ApplyShortDriveKind(const std::string& kind, DriveConfig& drive);
bool ShortDiscConfig(const std::string& name, DiscConfig& disc);

// The emulated system's side of a scenario, with a handle on every drive model.
struct Bay {
    EmulatedSystemConfig config;
    std::vector<EmulatedDrive> drives;
    std::vector<std::shared_ptr<MmcDrive>> models;  // models[n] sits behind drives[n]
};

bool BuildBay(const Scenario& scenario, Bay& bay, std::string& error);
std::unique_ptr<EmulatedSystem> MakeEmulatedSystem(const Bay& bay, std::shared_ptr<Clock> clock = nullptr);

}  // namespace emu
