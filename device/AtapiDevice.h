// The device object: the drive table, command execution, the ASPI binding, the command set,
// media identification and the drive state queries. Everything the program sends to a drive
// goes through one AtapiDevice.
#pragma once

#include <cstdint>
#include <memory>

#include "device/HiTimer.h"
#include "platform/ScsiStructures.h"
#include "platform/System.h"
#include "sysinfo/OSInfo.h"

constexpr int kMaxDrives = 16;
constexpr uint32_t kDataBufferSize = 131072;

// Outcome of the latest command attempt.
struct CommandRecord {
    uint8_t result = 0;  // 1 success, 2 CHECK CONDITION, 0 every other failure
    uint8_t senseKey = 0;
    uint8_t asc = 0;
    uint8_t ascq = 0;
};

constexpr uint8_t kResultFailed = 0;
constexpr uint8_t kResultSuccess = 1;
constexpr uint8_t kResultCheckCondition = 2;

// Direction codes of ExecuteCdb.
constexpr uint8_t kDirOut = 0;
constexpr uint8_t kDirIn = 1;
constexpr uint8_t kDirNone = 2;

using DriveTypeName = char[16];

struct DriveRecord {
    uint8_t typeCode = 0;
    const char* typeName = nullptr;  // the name-table entry of typeCode
    char idText[32] = {};
    char vendor[9] = {};
    char product[17] = {};
    char revision[9] = {};
    char vendorSpecific[17] = {};
    char rootPath[32] = {};
    int16_t hostAdapter = 0;
    int16_t target = 0;
    int16_t lun = 0;
    int16_t pathId = 0;
    uint8_t present = 0;
    uint8_t viaAspi = 0;
    uint8_t writesCdR = 0;
    uint8_t vendorMode = 0;
};

// Told of every command after it has run, for the command trace.
class CommandObserver {
public:
    virtual ~CommandObserver() = default;
    virtual void CommandSent(const uint8_t cdb[12], uint8_t direction, uint32_t transferLength,
                             const CommandRecord& outcome) = 0;
};

using MediaCode = uint8_t;

class AtapiDevice {
public:
    // `observer`, when given, is told of every command from the drive scan on.
    explicit AtapiDevice(System& system, CommandObserver* observer = nullptr);
    ~AtapiDevice();
    AtapiDevice(const AtapiDevice&) = delete;
    AtapiDevice& operator=(const AtapiDevice&) = delete;

    // Drive table, selection and classification.
    int16_t GetDriveCount() const { return int16_t(driveCount); }
    const DriveRecord* GetDrive(unsigned index) const;
    bool SelectDrive(int16_t index);
    static const char* DriveTypeName(uint8_t code);
    uint8_t ClassifyDrive();
    int16_t SelectedIndex() const { return selectedIndex; }
    uint8_t CurrentTypeCode() const { return currentTypeCode; }
    bool VendorMode() const { return vendorMode != 0; }

    // Command execution.
    bool ExecuteCdb(const uint8_t cdb[12], uint8_t direction, uint32_t transferLength);
    void SetCommandTimeout(float seconds);
    bool IsSense(uint8_t key) const { return lastCommand.senseKey == key; }
    bool IsSense(uint8_t key, uint8_t asc) const { return IsSense(key) && lastCommand.asc == asc; }
    bool IsSense(uint8_t key, uint8_t asc, uint8_t ascq) const {
        return IsSense(key, asc) && lastCommand.ascq == ascq;
    }
    uint8_t* GetDataBuffer() { return dataBuffer.get(); }
    uint32_t ReadBe32(int pos) const;
    uint32_t ReadBe24(int pos) const;
    uint16_t ReadBe16(int pos) const;
    void SetTarget(SysHandle handle, int16_t hostAdapter, int16_t pathId, int16_t target, int16_t lun);
    void SetObserver(CommandObserver* observer) { this->observer = observer; }
    // From now on no command reaches the drive: each fails at once as a transport failure.
    // The window uses it to stop a request when it is closed.
    void AbortCommands() { commandsAborted = true; }
    // Bytes the drive actually returned for the latest data-in command.
    uint32_t LastTransferred() const { return lastTransferred; }

    CommandRecord lastCommand;

    // ASPI binding.
    bool BindAspi();
    void UnbindAspi();
    void ApplyAspiTimeouts(float seconds);
    bool AspiBound() const { return aspiModule != 0; }

    // Command set.
    bool TestUnitReady();
    bool RequestSense(uint8_t allocationLength, uint8_t control);
    bool Inquiry(uint8_t cmdDt, uint8_t evpd, uint8_t pageCode, uint8_t allocationLength, uint8_t control);
    bool StartStopUnit(uint8_t immed, uint8_t powerCondition, uint8_t loadEject, uint8_t start);
    bool PreventAllowMediumRemoval(uint8_t prevent, uint8_t persistent, uint8_t control);
    bool ReadCapacity();
    bool ReadTocPmaAtip(uint8_t msf, uint8_t format, uint8_t trackSessionNumber,
                        uint16_t allocationLength, uint8_t control);
    bool GetConfiguration(uint8_t requestType, uint16_t startingFeature, uint16_t allocationLength,
                          uint8_t control);
    bool GetEventStatusNotification(uint8_t polled, uint8_t classRequest, uint16_t allocationLength,
                                    uint8_t control);
    bool ReadDiscInformation(uint16_t allocationLength, uint8_t control);
    bool ReadTrackInformation(uint8_t addressType, uint32_t address, uint16_t allocationLength,
                              uint8_t control);
    bool ModeSense10(uint8_t dbd, uint8_t pageControl, uint8_t pageCode, uint16_t allocationLength,
                     uint8_t control);
    bool ReadDiscStructure(uint32_t address, uint8_t layer, uint8_t format, uint16_t allocationLength,
                           uint8_t agid, uint8_t control, uint8_t mediaType);
    bool Read10(uint32_t lba, uint16_t blocks, uint32_t transferLength);
    bool Read12(uint32_t lba, uint32_t blocks, uint32_t transferLength);
    bool VendorEraseDisc(uint8_t enable, uint8_t mode);
    bool VendorEraseRangeMsf(uint32_t startLba, uint32_t blockCount, uint8_t areaByte,
                             uint8_t highFlag, uint8_t lowFlag);
    bool VendorEraseRangeLba(uint32_t startLba, uint32_t blockCount, uint8_t highFlag, uint8_t lowFlag);
    bool HasFeature(uint16_t featureCode);
    void ClearUnitAttention();

    // Media identification.
    MediaCode IdentifyMedia(int waitSeconds);
    uint8_t FindLabelFlashPage();
    static const char* MediaName(MediaCode code);

    // Drive state queries.
    bool WaitUntilReady(int limitSeconds, int pollMilliseconds);
    bool IsTrayOpen();
    uint8_t ReadVendorTrayState();
    bool LoadMedium();
    bool EjectMedium();

    System& GetSystem() { return system; }

private:
    void ScanDrives();
    void EnumerateSptiDrives();
    bool QueryScsiAddress(const char* root, int16_t* port, int16_t* pathId, int16_t* target, int16_t* lun);
    void EnumerateAspiDrives();
    void CompactDrives();
    bool IdentifyDrive();
    bool ProbeCdrWrite();
    bool ProbeNoDataCommands();
    void CloseDevice();
    void ReleaseBuffers();
    bool SendAspiRequest(void* requestBlock);
    bool ExecuteSptiAttempt(const uint8_t cdb[12], uint8_t direction, uint32_t transferLength);
    bool ExecuteAspiAttempt(const uint8_t cdb[12], uint8_t direction, uint32_t transferLength);
    bool AspiRequestStillPending();
    void ReadSense(const uint8_t* sense);
    uint8_t LockState();

    System& system;
    OSInfo osInfo;

    DriveRecord drives[kMaxDrives];
    uint16_t driveCount = 0;
    int16_t selectedIndex = -1;
    SysHandle handle = kInvalidHandle;
    int16_t currentHostAdapter = -1, currentTarget = -1, currentLun = -1, currentPathId = -1;
    uint8_t currentTypeCode = 0;
    char vendor[9] = {}, product[17] = {}, revision[9] = {}, vendorSpecific[17] = {};
    uint8_t vendorMode = 0;
    uint8_t useAspi = 0;
    uint8_t isWow64 = 0;
    uint8_t wow64NoDataFix = 0;
    float timeoutSeconds = 60.0f;
    std::unique_ptr<uint8_t[]> dataBuffer;
    std::unique_ptr<uint8_t[]> writeBuffer;

    PassThroughBlock passThrough{};
    uint8_t noDataScratch[16] = {};
    uint32_t lastTransferred = 0;

    // The ASPI request block lives on the heap so that a request the manager never completes
    // can be left to it, rather than freed under it, when the device object goes.
    struct AspiRequest {
        SrbExecScsiCmd execSrb;
        SysHandle event;  // the event of a request still pending after its wait, else 0
    };
    AspiRequest* aspiRequest = nullptr;

    SysHandle aspiModule = 0;
    ProcAddress getAspiSupportInfo = nullptr;
    ProcAddress sendAspiCommand = nullptr;

    HiTimer readinessTimer;
    CommandObserver* observer = nullptr;
    bool commandsAborted = false;
};
