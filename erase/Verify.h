// Reading a disc back after an erase: how much of the recorded user data this drive can
// still read through standard commands. It never writes.
#pragma once

#include <cstdint>

#include "device/AtapiDevice.h"

struct VerifyReport {
    // The drive held a disc it was ready to read. Without one nothing is shown either way: an
    // open tray or an empty drive must never pass for an unreadable disc.
    bool trayOpen = false;
    bool noDisc = false;
    bool notReady = false;
    bool structureReadable = false;  // disc and track information could be read
    uint32_t tracks = 0;
    uint64_t recordedEnd = 0;        // blocks from 0 to the end of the recorded data
    uint64_t tried = 0;              // sectors the check tried to read
    uint64_t readable = 0;           // ... and how many of them came back
};

// Loads the disc, waits for it, then tries the first 4096 sectors of every track and every
// `stride`th sector of the recorded area (every sector when `stride` is 1).
VerifyReport VerifyDisc(AtapiDevice& device, uint32_t stride);

// The plain statement of what a verification shows and what it does not.
extern const char* const kVerifyDisclaimer;
