#include "platform/emulated/Bay.h"

#include <cstdio>

#include "emulator/Scenario.h"

std::unique_ptr<EmulatedSystem> CreateEmulatedBay(const std::string& scenario, std::string& error,
                                                  std::shared_ptr<Clock> clock) {
    emu::Scenario parsed;
    // Any existing file is a scenario file, whatever its name; everything else a short scenario.
    bool loaded;
    if (FILE* f = std::fopen(scenario.c_str(), "rb")) {
        std::fclose(f);
        loaded = emu::LoadScenarioFile(scenario, parsed, error);
    } else {
        loaded = emu::LoadScenario(scenario, parsed, error);
    }
    if (!loaded) return nullptr;
    emu::Bay bay;
    if (!emu::BuildBay(parsed, bay, error)) return nullptr;
    return emu::MakeEmulatedSystem(bay, std::move(clock));
}
