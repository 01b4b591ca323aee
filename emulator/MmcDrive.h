// An MMC optical drive of the maker's line, answering as SPC and MMC say a drive answers, with
// the vendor erase commands acting on the disc it holds.
//
// Time is the Clock handed to Execute: the drive remembers when a tray closed or an erase
// started and works out from the clock's reading what has happened since. Nothing runs in the
// background; Update() brings the drive up to a given time between commands, for tests to look at.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "emulator/Disc.h"
#include "platform/emulated/DriveModel.h"

namespace emu {

enum class EraseKind { None, Range, Whole };
enum class TrayLoad { Motor, Manual };
enum class FaultAction { Sense, CheckWithoutSense, Busy, TransportFailure, Timeout, Vanish };

// Answer a command in a way of our choosing instead of executing it.
struct FaultRule {
    int opcode = -1;           // CDB byte 0; -1 any
    int subcode = -1;          // CDB byte 1; -1 any
    int skip = 0;              // let this many matching commands through first
    int count = 1;             // fire this many times; 0 = always
    bool whileErasing = false; // match only while an erase runs
    FaultAction action = FaultAction::Sense;
    uint8_t key = 0, asc = 0, ascq = 0;  // for Sense
};

// What the drive reads and writes; presets and page 2Ah / the features derive from it.
struct DriveCaps {
    bool readsCd = true, readsDvd = false, readsBd = false, readsHdDvd = false;
    bool writesCdR = false, writesCdRw = false, writesDvdDash = false, writesDvdPlus = false;
    bool writesDvdRam = false, writesBd = false, writesHdDvd = false;
};

struct EraseSpeeds {  // sectors per second
    double cd = 3000, dvd = 5400, bd = 8800, hdDvd = 8800;
};

struct DriveConfig {
    std::string preset = "bd";
    std::string vendor = "EMULATED", product = "BD-RW EB-2080", revision = "1.00";
    std::string vendorSpecific = "2024/03/15 EB20";
    std::string serial = "EMU00000001";

    // Answers INQUIRY only when the control byte carries C0h, with the product in bytes 16-23 and
    // a revision of 6 characters at 32-37 (vendorRevisionLength 6) or 8 at 24-31 (8).
    bool vendorMode = false;
    int vendorRevisionLength = 6;

    DriveCaps caps;
    int readBits = -1, writeBits = -1;  // page 2Ah bytes 2 and 3; -1 derives them from caps
    // Features 2Ah, 2Fh, 40h, 41h, 50h, 51h: -1 derived from caps, 0 absent, 1 present.
    int feature2A = -1, feature2F = -1, feature40 = -1, feature41 = -1, feature50 = -1, feature51 = -1;
    int dvdPlusRwWrite = -1;  // Write bit of the 2Ah descriptor; -1 = writesDvdPlus

    EraseKind erase = EraseKind::None;
    EraseSpeeds eraseSpeed;
    int64_t eraseSetupMillis = 1000;  // seek and laser calibration before the first sector

    // The 64-bit pass-through fault: commands that move no data are acknowledged and dropped.
    bool ignoreNoDataCommands = false;
    bool blockDescriptor = false;  // MODE SENSE returns an 8-byte block descriptor unless DBD is set

    bool page3C = false, page3D = false, page32 = false;
    int labelPage = 0;  // 20h-3Eh: a label page with mode data length 198; 0 none
    int vendorTrayOpenValue = 1;  // page 3Dh tray state while open: 1 or 3

    bool trayOpen = false;
    TrayLoad trayLoad = TrayLoad::Motor;
    int userPushesAfterRefusals = -1;  // manual tray: pushed in right after this many refused loads
    int64_t trayMoveMillis = 1000;
    int64_t spinUpMillis = 3000;       // NOT READY 2/04h/01h after a load
    bool powerOnUnitAttention = false; // 6/29h/00h before the first command
    bool locked = false, persistentLocked = false;

    std::vector<FaultRule> faults;
};

// Sets caps, pages, vendor mode and the product text for a drive type the classification can
// yield: cd-rom, dvd-rom, cd-rw, combo, dvd-r-rw, dvd-dual, super-allwrite, bd, bd-combo,
// bd-rom, hd, hd-combo, hd-rom, uni-combo, uni-writer, xbox-dvd.
bool ApplyDrivePreset(const std::string& name, DriveConfig& config);
const std::vector<std::string>& DrivePresetNames();

struct DriveCommand {
    int64_t atMicros = 0;
    uint8_t cdb[16] = {};
    uint8_t cdbLength = 0;
    uint8_t direction = 2;
    uint32_t dataLength = 0;
    ScsiOutcome outcome = ScsiOutcome::Completed;
    uint8_t status = 0;
    uint8_t key = 0, asc = 0, ascq = 0;
    uint32_t transferred = 0;
    bool faulted = false;  // answered by a fault rule
    uint8_t Opcode() const { return cdb[0]; }
    std::string Hex() const;  // the first 12 CDB bytes, "DF 1A 00 ..."
};

struct EraseRecord {
    bool wholeDisc = false;
    bool quick = false;           // DCh mode 1
    int64_t firstPsn = 0;         // range erase: the start as addressed
    int64_t count = 0;            // sectors to erase
    std::vector<Interval> runs;   // spiral positions, in the order they are erased
    int64_t startMicros = 0, endMicros = 0;
    int64_t done = 0;             // sectors erased so far
    bool completed = false;
    bool aborted = false;         // the disc left or the drive vanished first
};

class MmcDrive : public DriveModel {
public:
    explicit MmcDrive(DriveConfig config, std::shared_ptr<Disc> disc = nullptr);

    void Execute(const ScsiCommand& command, ScsiAnswer& answer, Clock& clock) override;

    // The world around the drive.
    void Update(int64_t nowMicros);
    void PushTrayIn();  // the user pushes a manual tray in, at the drive's latest time
    void InsertDisc(std::shared_ptr<Disc> disc);
    void RemoveDisc();
    void Vanish();
    void AddFault(const FaultRule& rule);

    // What tests look at.
    const DriveConfig& Config() const { return config; }
    std::shared_ptr<Disc> GetDisc() const { return disc; }
    bool TrayOpen() const { return trayOpen; }
    bool LockState() const { return prevent || persistentPrevent; }
    bool Erasing() const { return job >= 0; }
    bool Vanished() const { return vanished; }
    uint16_t Progress() const;  // of the running erase, 0-65535
    uint16_t CurrentProfile() const;
    int LoadRefusals() const { return loadRefusals; }
    const std::vector<DriveCommand>& Received() const { return received; }
    size_t CountReceived(uint8_t opcode) const;
    void ClearReceived() { received.clear(); }
    const std::vector<EraseRecord>& Erasures() const { return erasures; }

private:
    void Dispatch(const ScsiCommand& c, ScsiAnswer& a, Clock& clock);
    bool ApplyFault(const ScsiCommand& c, ScsiAnswer& a);
    bool ReportsUnitAttention(uint8_t opcode) const;
    bool MediumReady(ScsiAnswer& a) const;
    bool FamilyReadable() const;
    void SendData(const ScsiCommand& c, ScsiAnswer& a, const uint8_t* data, size_t built, uint32_t allocation);
    void StartErase(EraseRecord record, int64_t now);
    void AbortErase();
    void CloseTray(int64_t now);
    void OpenTray();
    double SpeedForDisc() const;
    std::vector<uint16_t> Profiles() const;
    bool HasFeature(uint16_t code) const;
    bool FeatureCurrent(uint16_t code) const;
    uint8_t ReadBits() const;
    uint8_t WriteBits() const;

    void TestUnitReady(const ScsiCommand& c, ScsiAnswer& a);
    void RequestSense(const ScsiCommand& c, ScsiAnswer& a);
    void Inquiry(const ScsiCommand& c, ScsiAnswer& a);
    void StartStopUnit(const ScsiCommand& c, ScsiAnswer& a, Clock& clock);
    void PreventAllow(const ScsiCommand& c, ScsiAnswer& a);
    void ReadCapacity(const ScsiCommand& c, ScsiAnswer& a);
    void Read(const ScsiCommand& c, ScsiAnswer& a, bool twelve);
    void ReadToc(const ScsiCommand& c, ScsiAnswer& a);
    void GetConfiguration(const ScsiCommand& c, ScsiAnswer& a);
    void GetEventStatus(const ScsiCommand& c, ScsiAnswer& a);
    void ReadDiscInformation(const ScsiCommand& c, ScsiAnswer& a);
    void ReadTrackInformation(const ScsiCommand& c, ScsiAnswer& a);
    void ModeSense(const ScsiCommand& c, ScsiAnswer& a);
    void ReadDiscStructure(const ScsiCommand& c, ScsiAnswer& a);
    void EraseRange(const ScsiCommand& c, ScsiAnswer& a);
    void EraseWhole(const ScsiCommand& c, ScsiAnswer& a);

    size_t BuildModePage(uint8_t page, bool changeable, uint8_t* out) const;
    size_t BuildFeature(uint16_t code, uint8_t* out) const;
    void BuildSense(uint8_t* out, uint8_t key, uint8_t asc, uint8_t ascq) const;

    DriveConfig config;
    std::shared_ptr<Disc> disc;
    bool trayOpen = false;
    bool prevent = false, persistentPrevent = false;
    bool vanished = false;
    bool spinning = false;        // becoming ready after a load
    int64_t readyAtMicros = 0;
    bool unitAttention = false;
    uint8_t uaAsc = 0, uaAscq = 0;
    uint8_t mediaEvent = 0;       // GESN media event code still to report
    int loadRefusals = 0;
    int64_t lastNow = 0;
    int job = -1;                 // index into erasures of the running erase
    std::vector<int> faultMatches, faultFired;
    std::vector<DriveCommand> received;
    std::vector<EraseRecord> erasures;
    uint8_t reply[8192] = {};
};

}  // namespace emu
