// The fuzz harnesses: each runs one part of the program that reads a drive's answers, on the
// emulated system, with every answer taken from the fuzz input.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "emulator/MmcDrive.h"
#include "fuzz/FuzzDrive.h"

namespace fuzz {

enum class Harness {
    Startup,        // enumeration (SPTI or ASPI), identification and classification of a bay
    Classify,       // ClassifyDrive and the tray queries on the selected drive
    Readiness,      // the disc readiness check
    IdentifyMedia,  // media identification
    Erase,          // a whole erase request: probe, identification, each procedure's reads
};

struct HarnessInfo {
    Harness harness;
    const char* name;  // the corpus folder and the executable's suffix
};
const std::vector<HarnessInfo>& Harnesses();

// Settings come first in the input: for Startup the system and the bay (one byte of system
// flags, a drive count, two bytes per drive), for the others one byte (bit 0 Quick for an
// erase, bit 1 the older family with its ASPI transport); the drives' answers follow. Returns how many input bytes were left unread.
size_t RunFuzzCase(Harness harness, const uint8_t* data, size_t size);

// Runs a harness with `settings` while the drives that `realDrive` gives (by bay index) answer,
// and returns the settings followed by their answers: an input that replays that run.
std::vector<uint8_t> RecordSeed(Harness harness, const std::vector<uint8_t>& settings,
                                const std::function<std::shared_ptr<emu::MmcDrive>(size_t)>& realDrive);

}  // namespace fuzz
