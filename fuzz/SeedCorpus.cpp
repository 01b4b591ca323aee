// Writes the seed corpus: for each harness, a few runs against real emulated drives written
// down in the fuzz input's format, so that fuzzing starts from answers that reach deep into
// each path. Usage: fuzz_seeds <corpus folder>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "emulator/Scenario.h"
#include "fuzz/Harness.h"

namespace {

using Tweak = std::function<void(emu::Scenario&)>;

struct Seed {
    fuzz::Harness harness;
    const char* name;
    std::vector<uint8_t> settings;
    const char* scenario;  // the drives that answer, by bay index
    Tweak tweak;
};

Tweak Preset(const char* name) {
    return [name](emu::Scenario& s) { emu::ApplyDrivePreset(name, s.drives[0].drive); };
}

// Erases of a few seconds keep a seed to a few polls per step.
void ShortErase(emu::Scenario& s) {
    for (auto& d : s.drives) {
        d.drive.eraseSpeed = {40'000, 250'000, 1'000'000, 1'000'000};
        d.drive.eraseSetupMillis = 500;
    }
}

Tweak Spares() {
    return [](emu::Scenario& s) {
        ShortErase(s);
        s.drives[0].disc.isa0Clusters = 4096;
        s.drives[0].disc.osaClusters = 2048;
    };
}

std::vector<Seed> Seeds() {
    using fuzz::Harness;
    auto trayOpen = [](emu::Scenario& s) { s.drives[0].drive.trayOpen = true; };
    return {
        {Harness::Startup, "nt-three-drives", {0x00, 3, 0x01, 0x00, 0x01, 0x01, 0x01, 0x02},
         "range:bd-r,cdrom:none,whole:dvd+r", {}},
        {Harness::Startup, "older-aspi", {0x01, 2, 0x20, 0x01, 0x21, 0x00}, "whole:cd-r,cdrom:none", {}},
        {Harness::Startup, "wow64", {0x02, 1, 0x01, 0x00}, "range:dvd+r", {}},
        {Harness::Startup, "vendor-mode", {0x00, 1, 0x01, 0x00}, "plain:dvd+r-dl", Preset("xbox-dvd")},
        {Harness::Startup, "address-query-fails", {0x00, 2, 0x41, 0x00, 0x01, 0x01}, "plain:cd-r,dvdrom:dvd-rom", {}},
        {Harness::Classify, "bd", {0}, "range:none", {}},
        {Harness::Classify, "cd-rom", {0}, "cdrom:none", {}},
        {Harness::Classify, "dvd-dual", {0}, "plain:none", Preset("dvd-dual")},
        {Harness::Classify, "hd", {0}, "plain:none", Preset("hd")},
        {Harness::Classify, "xbox-dvd", {0}, "plain:dvd+r", Preset("xbox-dvd")},
        {Harness::Readiness, "ready", {0}, "range:dvd+r", {}},
        {Harness::Readiness, "tray-closes", {0}, "range:cd-r", trayOpen},
        {Harness::Readiness, "manual-tray-no-disc", {0}, "range:none",
         [](emu::Scenario& s) {
             s.drives[0].drive.trayOpen = true;
             s.drives[0].drive.trayLoad = emu::TrayLoad::Manual;
         }},
        {Harness::Readiness, "rewritable", {0}, "range:dvd+rw", {}},
        {Harness::Readiness, "aspi-tray-closes", {2}, "range:cd-r", trayOpen},
        {Harness::IdentifyMedia, "cd-r", {0}, "range:cd-r", {}},
        {Harness::IdentifyMedia, "cd-rw-in-cd-rom", {0}, "cdrom:cd-rw", {}},
        {Harness::IdentifyMedia, "dvd+r", {0}, "range:dvd+r", {}},
        {Harness::IdentifyMedia, "dvd-r-dl", {0}, "range:dvd-r-dl", {}},
        {Harness::IdentifyMedia, "bd-r-dl", {0}, "range:bd-r-dl", {}},
        {Harness::IdentifyMedia, "vendor-word", {0}, "plain:dvd+r-dl", Preset("xbox-dvd")},
        {Harness::IdentifyMedia, "label-side", {0}, "range:dvd+r",
         [](emu::Scenario& s) {
             s.drives[0].disc.profile = 0xFFFF;
             s.drives[0].drive.labelPage = 0x2D;
         }},
        {Harness::Erase, "cd-r-quick", {1}, "range:cd-r", ShortErase},
        {Harness::Erase, "cd-r-full", {0}, "range:cd-r-open", ShortErase},
        {Harness::Erase, "dvd+r-quick", {1}, "range:dvd+r", ShortErase},
        {Harness::Erase, "dvd-r-dl-full", {0}, "range:dvd-r-dl", ShortErase},
        {Harness::Erase, "bd-r-quick", {1}, "range:bd-r", Spares()},
        {Harness::Erase, "bd-r-dl-full", {0}, "range:bd-r-dl", ShortErase},
        {Harness::Erase, "whole-quick", {1}, "whole:cd-r", ShortErase},
        {Harness::Erase, "aspi-dvd+r-full", {2}, "range:dvd+r", ShortErase},
        {Harness::Erase, "no-procedure", {1}, "range:dvd-rom", {}},
    };
}

const char* NameOf(fuzz::Harness h) {
    for (const auto& i : fuzz::Harnesses())
        if (i.harness == h) return i.name;
    return "?";
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <corpus folder>\n", argv[0]);
        return 2;
    }
    int failures = 0;
    for (const Seed& seed : Seeds()) {
        emu::Scenario scenario;
        emu::Bay bay;
        std::string error;
        if (!emu::ParseShortScenario(seed.scenario, scenario, error)) {
            std::fprintf(stderr, "%s: %s\n", seed.name, error.c_str());
            return 1;
        }
        if (seed.tweak) seed.tweak(scenario);
        if (!emu::BuildBay(scenario, bay, error)) {
            std::fprintf(stderr, "%s: %s\n", seed.name, error.c_str());
            return 1;
        }
        auto real = [&](size_t i) { return bay.models[i % bay.models.size()]; };
        std::vector<uint8_t> input = fuzz::RecordSeed(seed.harness, seed.settings, real);
        // A seed must replay the recorded run to its end, or it starts fuzzing somewhere else.
        size_t left = fuzz::RunFuzzCase(seed.harness, input.data(), input.size());
        if (left != 0) {
            std::fprintf(stderr, "%s/%s: %zu bytes left unread on replay\n", NameOf(seed.harness), seed.name, left);
            failures++;
        }
        std::filesystem::path dir = std::filesystem::path(argv[1]) / NameOf(seed.harness);
        std::filesystem::create_directories(dir);
        std::ofstream(dir / (std::string("seed-") + seed.name), std::ios::binary)
            .write(reinterpret_cast<const char*>(input.data()), std::streamsize(input.size()));
        std::printf("%s/seed-%s: %zu bytes\n", NameOf(seed.harness), seed.name, input.size());
    }
    return failures ? 1 : 0;
}
