// Decoding a pass-through block on systems that carry it to a drive themselves (the emulated
// system, SG_IO, iSCSI): the checks the Windows port driver makes, and writing the outcome back.
#pragma once

#include <cstdint>

#include "platform/ScsiStructures.h"

// The block's structure, or none when a length or offset the caller supplied does not hold up:
// the structure's size, the command length, the direction, a data pointer for any data, and a
// sense area inside the output buffer and behind the structure.
ScsiPassThroughDirect* CheckedPassThrough(void* inBuffer, uint32_t inSize, void* outBuffer, uint32_t outSize);

// The outcome of a completed command: SCSI status, the sense the drive returned (cut to the
// sense area) and how many data bytes moved.
void CompletePassThrough(ScsiPassThroughDirect& sptd, uint8_t status, const uint8_t* sense, uint32_t senseLength,
                         uint32_t transferred);
