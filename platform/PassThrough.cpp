#include "platform/PassThrough.h"

#include <algorithm>
#include <cstring>

ScsiPassThroughDirect* CheckedPassThrough(void* inBuffer, uint32_t inSize, void* outBuffer, uint32_t outSize) {
    if (!inBuffer || inBuffer != outBuffer || inSize < sizeof(ScsiPassThroughDirect) || outSize < inSize) return nullptr;
    auto* sptd = static_cast<ScsiPassThroughDirect*>(inBuffer);
    if (sptd->Length != sizeof(ScsiPassThroughDirect) || sptd->CdbLength == 0 || sptd->CdbLength > 16 ||
        sptd->DataIn > kScsiIoctlDataUnspecified || (sptd->DataTransferLength && !sptd->DataBuffer) ||
        uint64_t(sptd->SenseInfoOffset) + sptd->SenseInfoLength > outSize ||
        (sptd->SenseInfoLength && sptd->SenseInfoOffset < sizeof(ScsiPassThroughDirect)))
        return nullptr;
    return sptd;
}

void CompletePassThrough(ScsiPassThroughDirect& sptd, uint8_t status, const uint8_t* sense, uint32_t senseLength,
                         uint32_t transferred) {
    sptd.ScsiStatus = status;
    uint8_t copied = 0;
    if (status == kScsiStatusCheckCondition && sense) {
        copied = uint8_t(std::min<uint32_t>(senseLength, sptd.SenseInfoLength));
        // The sense may already lie where it belongs (SG_IO writes it there itself).
        std::memmove(reinterpret_cast<uint8_t*>(&sptd) + sptd.SenseInfoOffset, sense, copied);
    }
    sptd.SenseInfoLength = copied;
    // What actually moved: a residual shows as a smaller transfer length.
    if (sptd.DataTransferLength) sptd.DataTransferLength = std::min(transferred, sptd.DataTransferLength);
}
