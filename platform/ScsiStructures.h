// The request blocks that cross the system seam, laid out as Windows and ASPI for Win32 publish
// them. The portable code fills them; every system implementation decodes them.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr uint32_t kIoctlScsiGetAddress = 0x00041018;         // IOCTL_SCSI_GET_ADDRESS
constexpr uint32_t kIoctlScsiPassThroughDirect = 0x0004D014;  // IOCTL_SCSI_PASS_THROUGH_DIRECT

constexpr uint8_t kScsiIoctlDataOut = 0;          // SCSI_IOCTL_DATA_OUT
constexpr uint8_t kScsiIoctlDataIn = 1;           // SCSI_IOCTL_DATA_IN
constexpr uint8_t kScsiIoctlDataUnspecified = 2;  // SCSI_IOCTL_DATA_UNSPECIFIED

constexpr uint8_t kScsiStatusGood = 0x00;
constexpr uint8_t kScsiStatusCheckCondition = 0x02;
constexpr uint8_t kScsiStatusBusy = 0x08;

// SCSI_PASS_THROUGH_DIRECT, natural alignment as in the Windows headers.
struct ScsiPassThroughDirect {
    uint16_t Length;
    uint8_t ScsiStatus;
    uint8_t PathId;
    uint8_t TargetId;
    uint8_t Lun;
    uint8_t CdbLength;
    uint8_t SenseInfoLength;
    uint8_t DataIn;
    uint32_t DataTransferLength;
    uint32_t TimeOutValue;
    void* DataBuffer;
    uint32_t SenseInfoOffset;
    uint8_t Cdb[16];
};

// The block handed to IOCTL_SCSI_PASS_THROUGH_DIRECT: the structure, a filler and the sense.
struct PassThroughBlock {
    ScsiPassThroughDirect sptd;
    uint32_t filler;
    uint8_t sense[32];
};

// SCSI_ADDRESS.
struct ScsiAddress {
    uint32_t Length;
    uint8_t PortNumber;
    uint8_t PathId;
    uint8_t TargetId;
    uint8_t Lun;
};

constexpr uint8_t kScHaInquiry = 0x00;      // SC_HA_INQUIRY
constexpr uint8_t kScGetDevType = 0x01;     // SC_GET_DEV_TYPE
constexpr uint8_t kScExecScsiCmd = 0x02;    // SC_EXEC_SCSI_CMD
constexpr uint8_t kScAbortSrb = 0x03;       // SC_ABORT_SRB
constexpr uint8_t kScGetSetTimeouts = 0x08; // SC_GETSET_TIMEOUTS

constexpr uint8_t kSsPending = 0x00;   // SS_PENDING
constexpr uint8_t kSsComp = 0x01;      // SS_COMP
constexpr uint8_t kSsAborted = 0x02;   // SS_ABORTED
constexpr uint8_t kSsErr = 0x04;       // SS_ERR
constexpr uint8_t kSsInvalidHa = 0x81; // SS_INVALID_HA
constexpr uint8_t kSsNoDevice = 0x82;  // SS_NO_DEVICE

constexpr uint8_t kSrbDirIn = 0x08;
constexpr uint8_t kSrbDirOut = 0x10;
constexpr uint8_t kSrbEventNotify = 0x40;
constexpr uint8_t kSrbTimeoutsSet = 0x10;  // SRB_Flags of a get/set-timeouts request: set

constexpr uint8_t kAspiSenseLength = 14;  // SENSE_LEN

#pragma pack(push, 1)
// SRB_HAInquiry.
struct SrbHaInquiry {
    uint8_t SRB_Cmd;
    uint8_t SRB_Status;
    uint8_t SRB_HaId;
    uint8_t SRB_Flags;
    uint32_t SRB_Hdr_Rsvd;
    uint8_t HA_Count;
    uint8_t HA_SCSI_ID;
    uint8_t HA_ManagerId[16];
    uint8_t HA_Identifier[16];
    uint8_t HA_Unique[16];
    uint16_t HA_Rsvd1;
};

// SRB_GDEVBlock.
struct SrbGetDeviceType {
    uint8_t SRB_Cmd;
    uint8_t SRB_Status;
    uint8_t SRB_HaId;
    uint8_t SRB_Flags;
    uint32_t SRB_Hdr_Rsvd;
    uint8_t SRB_Target;
    uint8_t SRB_Lun;
    uint8_t SRB_DeviceType;
    uint8_t SRB_Rsvd1;
};

// SRB_ExecSCSICmd.
struct SrbExecScsiCmd {
    uint8_t SRB_Cmd;
    uint8_t SRB_Status;
    uint8_t SRB_HaId;
    uint8_t SRB_Flags;
    uint32_t SRB_Hdr_Rsvd;
    uint8_t SRB_Target;
    uint8_t SRB_Lun;
    uint16_t SRB_Rsvd1;
    uint32_t SRB_BufLen;
    uint8_t* SRB_BufPointer;
    uint8_t SRB_SenseLen;
    uint8_t SRB_CDBLen;
    uint8_t SRB_HaStat;
    uint8_t SRB_TargStat;
    void* SRB_PostProc;
    uint8_t SRB_Rsvd2[20];
    uint8_t CDBByte[16];
    uint8_t SenseArea[kAspiSenseLength + 2];
};

// SRB_Abort.
struct SrbAbort {
    uint8_t SRB_Cmd;
    uint8_t SRB_Status;
    uint8_t SRB_HaId;
    uint8_t SRB_Flags;
    uint32_t SRB_Hdr_Rsvd;
    void* SRB_ToAbort;
};

// SRB_GetSetTimeouts.
struct SrbGetSetTimeouts {
    uint8_t SRB_Cmd;
    uint8_t SRB_Status;
    uint8_t SRB_HaId;
    uint8_t SRB_Flags;
    uint32_t SRB_Hdr_Rsvd;
    uint8_t SRB_Target;
    uint8_t SRB_Lun;
    uint32_t SRB_Timeout;
};
#pragma pack(pop)

// The header every request block starts with, for implementations that dispatch on SRB_Cmd.
struct SrbHeader {
    uint8_t SRB_Cmd;
    uint8_t SRB_Status;
    uint8_t SRB_HaId;
    uint8_t SRB_Flags;
};

static_assert(sizeof(ScsiAddress) == 8);
static_assert(sizeof(SrbHaInquiry) == 60 && offsetof(SrbHaInquiry, HA_Count) == 8);
static_assert(sizeof(SrbGetDeviceType) == 12 && offsetof(SrbGetDeviceType, SRB_DeviceType) == 10);
static_assert(sizeof(SrbGetSetTimeouts) == 14 && offsetof(SrbGetSetTimeouts, SRB_Timeout) == 10);
static_assert(offsetof(SrbExecScsiCmd, SRB_BufLen) == 12 && offsetof(SrbExecScsiCmd, SRB_BufPointer) == 16);

#if UINTPTR_MAX == 0xFFFFFFFFu
// The 32-bit layouts of the shipped program.
static_assert(sizeof(ScsiPassThroughDirect) == 44);
static_assert(offsetof(ScsiPassThroughDirect, DataTransferLength) == 12);
static_assert(offsetof(ScsiPassThroughDirect, DataBuffer) == 20);
static_assert(offsetof(ScsiPassThroughDirect, SenseInfoOffset) == 24);
static_assert(offsetof(ScsiPassThroughDirect, Cdb) == 28);
static_assert(offsetof(PassThroughBlock, sense) == 48 && sizeof(PassThroughBlock) == 80);
static_assert(sizeof(SrbExecScsiCmd) == 80);
static_assert(offsetof(SrbExecScsiCmd, SRB_TargStat) == 23 && offsetof(SrbExecScsiCmd, SRB_PostProc) == 24);
static_assert(offsetof(SrbExecScsiCmd, CDBByte) == 48 && offsetof(SrbExecScsiCmd, SenseArea) == 64);
static_assert(sizeof(SrbAbort) == 12);
#else
// The 64-bit layouts (pointers of 8 bytes; the pass-through structure 8-aligned).
static_assert(sizeof(ScsiPassThroughDirect) == 56);
static_assert(offsetof(ScsiPassThroughDirect, DataTransferLength) == 12);
static_assert(offsetof(ScsiPassThroughDirect, DataBuffer) == 24);
static_assert(offsetof(ScsiPassThroughDirect, SenseInfoOffset) == 32);
static_assert(offsetof(ScsiPassThroughDirect, Cdb) == 36);
static_assert(offsetof(PassThroughBlock, sense) == 60 && sizeof(PassThroughBlock) == 96);
static_assert(sizeof(SrbExecScsiCmd) == 88);
static_assert(offsetof(SrbExecScsiCmd, SRB_TargStat) == 27 && offsetof(SrbExecScsiCmd, SRB_PostProc) == 28);
static_assert(offsetof(SrbExecScsiCmd, CDBByte) == 56 && offsetof(SrbExecScsiCmd, SenseArea) == 72);
static_assert(sizeof(SrbAbort) == 16);
#endif
