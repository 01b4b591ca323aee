// Command execution: one 12-byte command to the selected drive over SPTI or ASPI.
#include <cstring>

#include "device/AtapiDevice.h"

namespace {
constexpr int kMaxRepeats = 5;
}

bool AtapiDevice::ExecuteCdb(const uint8_t cdb[12], uint8_t direction, uint32_t transferLength) {
    uint8_t command[12];
    std::memcpy(command, cdb, sizeof command);
    if (commandsAborted) {
        lastCommand = CommandRecord{};
        return false;
    }
    bool ok;
    if (transferLength > kDataBufferSize || !dataBuffer || !writeBuffer) {
        // Never let a drive write past the end of the buffers.
        lastCommand = CommandRecord{};
        ok = false;
    } else {
        // A short or failed reply must never be read as what an earlier command left behind.
        if (direction == kDirIn) std::memset(dataBuffer.get(), 0, transferLength);
        lastTransferred = 0;
        ok = useAspi ? ExecuteAspiAttempt(command, direction, transferLength)
                     : ExecuteSptiAttempt(command, direction, transferLength);
    }
    if (observer) observer->CommandSent(command, direction, transferLength, lastCommand);
    return ok;
}

void AtapiDevice::ReadSense(const uint8_t* sense) {
    lastCommand.senseKey = sense[2] & 0x0F;
    lastCommand.asc = sense[12];
    lastCommand.ascq = sense[13];
}

bool AtapiDevice::ExecuteSptiAttempt(const uint8_t cdb[12], uint8_t direction, uint32_t transferLength) {
    passThrough = PassThroughBlock{};
    ScsiPassThroughDirect& sptd = passThrough.sptd;
    sptd.Length = sizeof(ScsiPassThroughDirect);
    sptd.PathId = uint8_t(currentHostAdapter);
    sptd.TargetId = uint8_t(currentTarget);
    sptd.Lun = 0;
    sptd.CdbLength = 12;
    sptd.SenseInfoLength = 18;
    sptd.SenseInfoOffset = offsetof(PassThroughBlock, sense);
    sptd.TimeOutValue = uint32_t(timeoutSeconds);
    std::memcpy(sptd.Cdb, cdb, 12);

    if (transferLength != 0 && direction != kDirNone) {
        sptd.DataBuffer = direction == kDirIn ? dataBuffer.get() : writeBuffer.get();
    } else {
        sptd.DataBuffer = nullptr;
        if (isWow64 && wow64NoDataFix) {
            // Under 64-bit Windows some drives ignore pass-through commands that carry no data;
            // sending them as a small data-in transfer gets them executed.
            std::memset(noDataScratch, 0, sizeof noDataScratch);
            sptd.DataBuffer = noDataScratch;
            transferLength = sizeof noDataScratch;
            direction = kDirIn;
        }
    }
    sptd.DataIn = direction;
    sptd.DataTransferLength = transferLength;

    uint32_t returned = 0;
    bool called = system.DeviceIoControl(handle, kIoctlScsiPassThroughDirect, &passThrough,
                                         sizeof passThrough, &passThrough, sizeof passThrough, &returned);
    ReadSense(passThrough.sense);
    if (called && sptd.ScsiStatus == kScsiStatusGood) {
        lastCommand.result = kResultSuccess;
        if (sptd.DataBuffer == dataBuffer.get()) lastTransferred = sptd.DataTransferLength;
        return true;
    }
    lastCommand.result = called && sptd.ScsiStatus == kScsiStatusCheckCondition ? kResultCheckCondition
                                                                              : kResultFailed;
    return false;
}

bool AtapiDevice::AspiRequestStillPending() {
    if (!aspiRequest || !aspiRequest->event) return false;
    if (aspiRequest->execSrb.SRB_Status == kSsPending) return true;
    // The manager has finished with the request at last: its event can go.
    system.CloseHandle(aspiRequest->event);
    aspiRequest->event = 0;
    return false;
}

bool AtapiDevice::ExecuteAspiAttempt(const uint8_t cdb[12], uint8_t direction, uint32_t transferLength) {
    int checkWithoutSense = 0;
    int busy = 0;
    for (;;) {
        if (currentHostAdapter == -1 || currentTarget == -1) return false;
        if (!sendAspiCommand || AspiRequestStillPending()) {
            // No manager to send to, or the block is still the manager's: fail without sending.
            lastCommand = CommandRecord{};
            return false;
        }
        SrbExecScsiCmd& srb = aspiRequest->execSrb;
        srb = SrbExecScsiCmd{};
        srb.SRB_Cmd = kScExecScsiCmd;
        srb.SRB_HaId = uint8_t(currentHostAdapter);
        srb.SRB_Target = uint8_t(currentTarget);
        srb.SRB_Lun = uint8_t(currentLun);
        srb.SRB_Flags = direction == kDirIn ? kSrbDirIn : direction == kDirOut ? kSrbDirOut : 0;
        srb.SRB_BufLen = transferLength;
        if (transferLength != 0 && direction != kDirNone)
            srb.SRB_BufPointer = direction == kDirIn ? dataBuffer.get() : writeBuffer.get();
        srb.SRB_SenseLen = kAspiSenseLength;
        srb.SRB_CDBLen = 12;
        std::memcpy(srb.CDBByte, cdb, 12);

        uint32_t waitMs = uint32_t(2.0f * timeoutSeconds * 1000.0f);
        SysHandle event = system.CreateEventA();
        if (event) {
            srb.SRB_Flags |= kSrbEventNotify;
            srb.SRB_PostProc = reinterpret_cast<void*>(event);
            system.CallSendASPI32Command(sendAspiCommand, &srb);
            if (srb.SRB_Status == kSsPending) system.WaitForSingleObject(event, waitMs);
            if (srb.SRB_Status == kSsPending) {
                // Ask the manager to give the request up; until it has, the block stays its own.
                SrbAbort abort{};
                abort.SRB_Cmd = kScAbortSrb;
                abort.SRB_HaId = srb.SRB_HaId;
                abort.SRB_ToAbort = &srb;
                system.CallSendASPI32Command(sendAspiCommand, &abort);
                if (srb.SRB_Status == kSsPending) system.WaitForSingleObject(event, waitMs);
            }
            if (srb.SRB_Status == kSsPending) aspiRequest->event = event;
            else system.CloseHandle(event);
        } else {
            system.CallSendASPI32Command(sendAspiCommand, &srb);
            // Poll the status without an event, pausing between looks and within the same limit.
            for (uint32_t waited = 0; srb.SRB_Status == kSsPending && waited < waitMs; waited += 10)
                system.Sleep(10);
        }

        ReadSense(srb.SenseArea);
        if (srb.SRB_Status == kSsComp) {
            lastCommand.result = kResultSuccess;
            lastTransferred = transferLength;
            return true;
        }
        lastCommand.result = srb.SRB_TargStat == kScsiStatusCheckCondition ? kResultCheckCondition
                                                                           : kResultFailed;
        if (srb.SRB_Status == kSsPending) return false;
        if (srb.SRB_TargStat == kScsiStatusCheckCondition && lastCommand.senseKey == 0) {
            if (++checkWithoutSense > kMaxRepeats) return false;
            system.Sleep(10);
            continue;
        }
        if (srb.SRB_TargStat == kScsiStatusBusy) {
            if (++busy > kMaxRepeats) return false;
            system.Sleep(1000);
            continue;
        }
        return false;
    }
}

void AtapiDevice::SetCommandTimeout(float seconds) {
    timeoutSeconds = seconds;
    if (useAspi) ApplyAspiTimeouts(seconds);
}

uint32_t AtapiDevice::ReadBe32(int pos) const {
    const uint8_t* b = dataBuffer.get() + pos;
    return uint32_t(b[0]) << 24 | uint32_t(b[1]) << 16 | uint32_t(b[2]) << 8 | b[3];
}

uint32_t AtapiDevice::ReadBe24(int pos) const {
    const uint8_t* b = dataBuffer.get() + pos;
    return uint32_t(b[0]) << 16 | uint32_t(b[1]) << 8 | b[2];
}

uint16_t AtapiDevice::ReadBe16(int pos) const {
    const uint8_t* b = dataBuffer.get() + pos;
    return uint16_t(b[0] << 8 | b[1]);
}

void AtapiDevice::SetTarget(SysHandle handle, int16_t hostAdapter, int16_t pathId, int16_t target, int16_t lun) {
    this->handle = handle;
    currentHostAdapter = hostAdapter;
    currentPathId = pathId;
    currentTarget = target;
    currentLun = lun;
}
