#include "platform/emulated/EmulatedSystem.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <map>
#include <thread>

#include "platform/PassThrough.h"
#include "platform/ScsiStructures.h"

namespace {
constexpr SysHandle kAspiModule = 0xA5B1;
constexpr SysHandle kKernel32Module = 0x4B32;
constexpr SysHandle kFirstDeviceHandle = 0x1000;
constexpr SysHandle kFirstEventHandle = 0x2000;
constexpr SysHandle kFirstKeyHandle = 0x3000;
// Entry points are handed out as small tokens; only this system ever calls them.
ProcAddress const kSupportInfoEntry = reinterpret_cast<ProcAddress>(uintptr_t(0x11));
ProcAddress const kSendCommandEntry = reinterpret_cast<ProcAddress>(uintptr_t(0x12));
ProcAddress const kIsWow64Entry = reinterpret_cast<ProcAddress>(uintptr_t(0x13));
constexpr int64_t kCounterFrequency = 10'000'000;  // ticks per second, as on current Windows

int64_t SteadyMicros() {
    return std::chrono::duration_cast<std::chrono::microseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}
}  // namespace

ScaledRealClock::ScaledRealClock(double speed) : speed(speed > 0 ? speed : 1.0), origin(SteadyMicros()) {}

int64_t ScaledRealClock::NowMicros() {
    return 1'000'000 + int64_t(double(SteadyMicros() - origin) * speed);
}

void ScaledRealClock::Advance(int64_t micros) {
    if (micros > 0) std::this_thread::sleep_for(std::chrono::microseconds(int64_t(double(micros) / speed)));
}

struct EmulatedSystem::Impl {
    std::map<SysHandle, size_t> devices;  // open handle -> drive index
    SysHandle nextDevice = kFirstDeviceHandle;
    std::map<SysHandle, bool> events;     // event -> signalled
    SysHandle nextEvent = kFirstEventHandle;
    SysHandle nextKey = kFirstKeyHandle;
    std::map<SysHandle, std::string> keys;
    // ASPI requests the drive never answered: the block stays pending until aborted.
    SrbExecScsiCmd* pending = nullptr;
};

EmulatedSystem::EmulatedSystem(EmulatedSystemConfig config, std::shared_ptr<Clock> clock)
    : config(config), clock(clock ? std::move(clock) : std::make_shared<VirtualClock>()), impl(new Impl) {}

EmulatedSystem::~EmulatedSystem() = default;

void EmulatedSystem::AddDrive(EmulatedDrive drive) { drives.push_back(std::move(drive)); }

int EmulatedSystem::OpenHandleCount() const { return int(impl->devices.size()); }

uint32_t EmulatedSystem::GetLogicalDriveStringsA(uint32_t bufferLength, char* buffer) {
    // A fixed disk C:\ first, as on every Windows machine, then the drives in bay order.
    std::string list = std::string("C:\\") + '\0';
    for (auto& d : drives) {
        if (!d.root.empty()) list += d.root + '\0';
    }
    uint32_t needed = uint32_t(list.size() + 1);
    if (bufferLength < needed || !buffer) return needed;
    std::memcpy(buffer, list.data(), list.size());
    buffer[list.size()] = '\0';
    return uint32_t(list.size());
}

uint32_t EmulatedSystem::GetDriveTypeA(const char* rootPath) {
    if (!rootPath) return 1;
    if (std::strcmp(rootPath, "C:\\") == 0) return 3;  // DRIVE_FIXED
    for (auto& d : drives) {
        if (!d.root.empty() && d.root == rootPath) return kDriveCdrom;
    }
    return 1;  // DRIVE_NO_ROOT_DIR
}

void EmulatedSystem::DevicePathOfRoot(const char* rootPath, char* path, size_t pathSize) {
    std::string p = std::string("\\\\.\\") + std::string(rootPath, strnlen(rootPath, 2));
    std::snprintf(path, pathSize, "%s", p.c_str());
}

SysHandle EmulatedSystem::CreateFileA(const char* path) {
    std::string p = path ? path : "";
    for (size_t i = 0; i < drives.size(); i++) {
        auto& d = drives[i];
        if (d.root.size() < 2 || p != std::string("\\\\.\\") + d.root.substr(0, 2)) continue;
        if (d.openFails || !d.model) return kInvalidHandle;
        SysHandle h = impl->nextDevice++;
        impl->devices[h] = i;
        return h;
    }
    return kInvalidHandle;
}

bool EmulatedSystem::CloseHandle(SysHandle handle) {
    if (impl->devices.erase(handle)) return true;
    return impl->events.erase(handle) > 0;
}

bool EmulatedSystem::DeviceIoControl(SysHandle device, uint32_t controlCode, void* inBuffer, uint32_t inSize,
                                     void* outBuffer, uint32_t outSize, uint32_t* bytesReturned) {
    if (bytesReturned) *bytesReturned = 0;
    auto it = impl->devices.find(device);
    if (it == impl->devices.end()) return false;
    EmulatedDrive& drive = drives[it->second];

    if (controlCode == kIoctlScsiGetAddress) {
        if (drive.addressQueryFails || outSize < sizeof(ScsiAddress) || !outBuffer) return false;
        ScsiAddress a{};
        a.Length = drive.addressLengthZero ? 0 : sizeof(ScsiAddress);
        a.PortNumber = uint8_t(drive.port);
        a.PathId = uint8_t(drive.pathId);
        a.TargetId = uint8_t(drive.target);
        a.Lun = uint8_t(drive.lun);
        std::memcpy(outBuffer, &a, sizeof a);
        if (bytesReturned) *bytesReturned = sizeof a;
        return true;
    }
    if (controlCode != kIoctlScsiPassThroughDirect) return false;
    // The older family has no SCSI pass-through.
    if (config.platformId != kPlatformWin32Nt) return false;

    ScsiPassThroughDirect* sptd = CheckedPassThrough(inBuffer, inSize, outBuffer, outSize);
    if (!sptd) return false;
    std::memcpy(lastPassThrough, inBuffer, std::min<size_t>(inSize, sizeof lastPassThrough));
    passThroughCount++;

    ScsiCommand command;
    std::memcpy(command.cdb, sptd->Cdb, 16);
    command.cdbLength = sptd->CdbLength;
    command.direction = sptd->DataIn == kScsiIoctlDataIn ? 1 : sptd->DataIn == kScsiIoctlDataOut ? 0 : 2;
    command.data = static_cast<uint8_t*>(sptd->DataBuffer);
    command.dataLength = sptd->DataTransferLength;
    command.timeoutSeconds = sptd->TimeOutValue;
    if (command.dataLength == 0) command.direction = 2;

    ScsiAnswer answer;
    drive.model->Execute(command, answer, *clock);
    clock->Advance(config.commandLatencyMicros);
    if (answer.outcome == ScsiOutcome::Timeout) {
        clock->Advance(int64_t(sptd->TimeOutValue) * 1'000'000);
        return false;  // ERROR_SEM_TIMEOUT
    }
    if (answer.outcome == ScsiOutcome::TransportFailure) return false;  // ERROR_IO_DEVICE
    CompletePassThrough(*sptd, answer.status, answer.sense, answer.senseLength,
                        command.direction != 2 ? answer.transferred : 0);
    if (bytesReturned) *bytesReturned = sizeof(ScsiPassThroughDirect);
    return true;
}

SysHandle EmulatedSystem::LoadLibraryA(const char* name) {
    std::string n = name ? name : "";
    calls.push_back("LoadLibrary " + n);
    if (n != "WNASPI32" || config.aspi == AspiManagerState::Missing) return 0;
    return kAspiModule;
}

SysHandle EmulatedSystem::GetModuleHandleA(const char* name) {
    std::string n = name ? name : "";
    return n == "kernel32" ? kKernel32Module : 0;
}

ProcAddress EmulatedSystem::GetProcAddress(SysHandle module, const char* name) {
    std::string n = name ? name : "";
    if (module == kKernel32Module) return n == "IsWow64Process" && config.hasIsWow64Process ? kIsWow64Entry : nullptr;
    if (module != kAspiModule) return nullptr;
    if (n == "GetASPI32SupportInfo" && config.aspi != AspiManagerState::NoSupportInfoEntry) return kSupportInfoEntry;
    if (n == "SendASPI32Command" && config.aspi != AspiManagerState::NoSendCommandEntry) return kSendCommandEntry;
    return nullptr;
}

bool EmulatedSystem::FreeLibrary(SysHandle module) {
    if (module != kAspiModule) return false;
    calls.push_back("FreeLibrary WNASPI32");
    return true;
}

uint32_t EmulatedSystem::CallGetASPI32SupportInfo(ProcAddress entry) {
    if (entry != kSupportInfoEntry) return 0;
    uint32_t status = 0x01;
    switch (config.aspi) {
        case AspiManagerState::StatusNoManager: status = 0xE3; break;
        case AspiManagerState::StatusRealMode: status = 0xE2; break;
        case AspiManagerState::StatusOldManager: status = 0xE1; break;
        case AspiManagerState::StatusOther: status = 0x04; break;
        default: break;
    }
    return status << 8 | AdapterCount();
}

uint32_t EmulatedSystem::AdapterCount() const {
    int adapters = 0;
    for (auto& d : drives) adapters = std::max(adapters, d.port + 1);
    return uint32_t(adapters);
}

EmulatedDrive* EmulatedSystem::AspiDrive(uint8_t adapter, uint8_t target, uint8_t lun) {
    for (auto& d : drives) {
        if (d.model && d.port == adapter && d.target == target && d.lun == lun) return &d;
    }
    return nullptr;
}

uint32_t EmulatedSystem::CallSendASPI32Command(ProcAddress entry, void* requestBlock) {
    if (entry != kSendCommandEntry || !requestBlock) return 0;
    auto* header = static_cast<SrbHeader*>(requestBlock);
    switch (header->SRB_Cmd) {
        case kScHaInquiry: {
            auto* srb = static_cast<SrbHaInquiry*>(requestBlock);
            if (srb->SRB_HaId >= AdapterCount() && !(srb->SRB_HaId == 0)) {
                srb->SRB_Status = kSsInvalidHa;
                break;
            }
            srb->HA_Count = uint8_t(AdapterCount());
            srb->HA_SCSI_ID = 7;
            std::memcpy(srb->HA_ManagerId, "ASPI for WIN32  ", 16);
            srb->SRB_Status = kSsComp;
            break;
        }
        case kScGetDevType: {
            auto* srb = static_cast<SrbGetDeviceType*>(requestBlock);
            EmulatedDrive* d = AspiDrive(srb->SRB_HaId, srb->SRB_Target, srb->SRB_Lun);
            srb->SRB_DeviceType = d ? 5 : 0x1F;
            srb->SRB_Status = d ? kSsComp : kSsNoDevice;
            break;
        }
        case kScGetSetTimeouts: {
            auto* srb = static_cast<SrbGetSetTimeouts*>(requestBlock);
            lastAspiTimeout = srb->SRB_Timeout;
            aspiTimeoutRequests++;
            srb->SRB_Status = kSsComp;
            break;
        }
        case kScAbortSrb: {
            auto* srb = static_cast<SrbAbort*>(requestBlock);
            if (impl->pending && srb->SRB_ToAbort == impl->pending && !config.aspiIgnoresAbort) {
                impl->pending->SRB_Status = kSsAborted;
                SignalAspiEvent(impl->pending);
                impl->pending = nullptr;
            }
            srb->SRB_Status = kSsComp;
            break;
        }
        case kScExecScsiCmd: ExecuteAspi(static_cast<SrbExecScsiCmd*>(requestBlock)); break;
        default: header->SRB_Status = 0x80; break;  // SS_INVALID_CMD
    }
    return header->SRB_Status;
}

void EmulatedSystem::SignalAspiEvent(SrbExecScsiCmd* srb) {
    if (!(srb->SRB_Flags & kSrbEventNotify)) return;
    auto it = impl->events.find(reinterpret_cast<SysHandle>(srb->SRB_PostProc));
    if (it != impl->events.end()) it->second = true;
}

void EmulatedSystem::ExecuteAspi(SrbExecScsiCmd* srb) {
    aspiExecCount++;
    std::memcpy(lastExecSrb, srb, std::min(sizeof lastExecSrb, sizeof *srb));
    EmulatedDrive* drive = AspiDrive(srb->SRB_HaId, srb->SRB_Target, srb->SRB_Lun);
    if (!drive) {
        srb->SRB_Status = kSsNoDevice;
        SignalAspiEvent(srb);
        return;
    }
    ScsiCommand command;
    std::memcpy(command.cdb, srb->CDBByte, 16);
    command.cdbLength = srb->SRB_CDBLen;
    uint8_t dir = srb->SRB_Flags & (kSrbDirIn | kSrbDirOut);
    command.direction = dir == kSrbDirIn ? 1 : dir == kSrbDirOut ? 0 : 2;
    command.data = srb->SRB_BufPointer;
    command.dataLength = srb->SRB_BufPointer ? srb->SRB_BufLen : 0;
    if (command.dataLength == 0) command.direction = 2;
    command.timeoutSeconds = lastAspiTimeout;

    ScsiAnswer answer;
    drive->model->Execute(command, answer, *clock);
    clock->Advance(config.commandLatencyMicros);
    if (answer.outcome == ScsiOutcome::Timeout) {
        srb->SRB_Status = kSsPending;  // the manager never hears back
        impl->pending = srb;
        return;
    }
    if (answer.outcome == ScsiOutcome::TransportFailure) {
        srb->SRB_Status = kSsErr;
        srb->SRB_HaStat = 0x11;  // HASTAT_SEL_TO: the target did not answer selection
    } else if (answer.status == kScsiStatusGood) {
        srb->SRB_Status = kSsComp;
    } else {
        srb->SRB_Status = kSsErr;
        srb->SRB_TargStat = answer.status;
        if (answer.status == kScsiStatusCheckCondition)
            std::memcpy(srb->SenseArea, answer.sense, std::min<size_t>({answer.senseLength, srb->SRB_SenseLen, kAspiSenseLength}));
    }
    SignalAspiEvent(srb);
}

bool EmulatedSystem::CallIsWow64Process(ProcAddress entry, bool* isWow64) {
    if (entry != kIsWow64Entry || !isWow64) return false;
    *isWow64 = config.wow64;
    return true;
}

SysHandle EmulatedSystem::CreateEventA() {
    if (config.eventsFail) return 0;
    SysHandle h = impl->nextEvent++;
    impl->events[h] = false;
    return h;
}

uint32_t EmulatedSystem::WaitForSingleObject(SysHandle handle, uint32_t milliseconds) {
    auto it = impl->events.find(handle);
    if (it != impl->events.end() && it->second) return kWaitObject0;
    clock->Advance(int64_t(milliseconds) * 1000);
    return kWaitTimeout;
}

void EmulatedSystem::Sleep(uint32_t milliseconds) {
    sleepCount++;
    sleptMicros += int64_t(milliseconds) * 1000;
    clock->Advance(int64_t(milliseconds) * 1000);
}

bool EmulatedSystem::QueryPerformanceFrequency(int64_t* frequency) {
    if (!config.performanceCounter) {
        *frequency = 0;
        return false;
    }
    *frequency = kCounterFrequency;
    return true;
}

bool EmulatedSystem::QueryPerformanceCounter(int64_t* count) {
    if (!config.performanceCounter) {
        *count = 0;
        return false;
    }
    // Reading the counter takes a moment, so that nothing can wait forever on a frozen clock.
    clock->Advance(1);
    *count = clock->NowMicros() * (kCounterFrequency / 1'000'000);
    return true;
}

uint32_t EmulatedSystem::GetTickCount() {
    clock->Advance(1);
    return uint32_t(clock->NowMicros() / 1000);
}

uint32_t EmulatedSystem::GetVersionPlatformId() { return config.platformId; }

SysHandle EmulatedSystem::RegOpenKeyExA(RegistryRoot root, const char* subKey, uint32_t access) {
    std::string key = subKey ? subKey : "";
    calls.push_back("RegOpenKey " + key);
    if (config.platformId == kPlatformWin32Nt || !config.statisticsKeys || root != RegistryRoot::DynData) return 0;
    SysHandle h = impl->nextKey++;
    impl->keys[h] = key;
    return h;
}

bool EmulatedSystem::RegQueryValueExA(SysHandle key, const char* name, uint8_t* data, uint32_t* size) {
    auto it = impl->keys.find(key);
    if (it == impl->keys.end()) return false;
    calls.push_back("RegQueryValue " + it->second + " " + (name ? name : ""));
    if (data && size && *size >= 4) std::memset(data, 0, 4);
    return true;
}

void EmulatedSystem::RegCloseKey(SysHandle key) {
    auto it = impl->keys.find(key);
    if (it == impl->keys.end()) return;
    calls.push_back("RegCloseKey " + it->second);
    impl->keys.erase(it);
}

bool EmulatedSystem::GetModuleFileNameA(char* path, size_t pathSize) {
    std::snprintf(path, pathSize, "%s", "C:\\Program Files\\Nullburn\\nullburn.exe");
    return true;
}

bool EmulatedSystem::GetFileVersion(const char* path, uint32_t* versionMs, uint32_t* versionLs) {
    if (!config.hasVersionBlock) return false;
    *versionMs = config.versionMs;
    *versionLs = config.versionLs;
    return true;
}

void EmulatedSystem::MessageBoxA(const char* text, const char* caption, uint32_t flags) {
    calls.push_back(std::string("MessageBox ") + (caption ? caption : "") + "|" + (text ? text : ""));
}

void EmulatedSystem::ProcessMessages() {
    messagePumpPasses++;
    System::ProcessMessages();
}

void EmulatedSystem::WaitForMessage(uint32_t milliseconds) {
    auto* real = dynamic_cast<ScaledRealClock*>(clock.get());
    if (real && messagePump) {
        // A demo window: wait on its real message queue for the scaled-down time.
        messagePump->WaitForMessage(uint32_t(double(milliseconds) / real->Speed()) + 1);
        return;
    }
    clock->Advance(int64_t(milliseconds) * 1000);
}
