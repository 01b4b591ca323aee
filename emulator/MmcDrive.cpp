// The drive's state: tray, readiness, locking, faults and the erase that runs on its own.
#include "emulator/MmcDrive.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "emulator/Bytes.h"

namespace emu {

namespace {

struct Preset {
    const char* name;
    const char* product;
    DriveCaps caps;
    bool vendorMode;
};

// caps: reads CD, DVD, BD, HD DVD; writes CD-R, CD-RW, DVD-R/-RW, DVD+R/+RW, DVD-RAM, BD, HD DVD.
const Preset kPresets[] = {
    {"cd-rom", "CD-ROM EC-5200", {true, false, false, false, false, false, false, false, false, false, false}, false},
    {"dvd-rom", "DVD-ROM ED-1600", {true, true, false, false, false, false, false, false, false, false, false}, false},
    {"cd-rw", "CD-RW EW-5232", {true, false, false, false, true, true, false, false, false, false, false}, false},
    {"combo", "COMBO EC-4852", {true, true, false, false, true, true, false, false, false, false, false}, false},
    {"dvd-r-rw", "DVD-RW ED-1080", {true, true, false, false, true, true, true, false, false, false, false}, false},
    {"dvd-dual", "DVD+-RW ED-2040", {true, true, false, false, true, true, true, true, false, false, false}, false},
    {"super-allwrite", "DVD-RAM ES-2080", {true, true, false, false, true, true, true, true, true, false, false}, false},
    {"bd", "BD-RW EB-2080", {true, true, true, false, true, true, true, true, true, true, false}, false},
    {"bd-combo", "BD-COMBO EB-1040", {true, true, true, false, true, true, true, true, true, false, false}, false},
    {"bd-rom", "BD-ROM EB-0800", {true, true, true, false, false, false, false, false, false, false, false}, false},
    {"hd", "HD DVD-RW EH-2010", {true, true, false, true, true, true, true, true, true, false, true}, false},
    {"hd-combo", "HD-COMBO EH-1030", {true, true, false, true, true, true, true, true, true, false, false}, false},
    {"hd-rom", "HD DVD-ROM EH-0300", {true, true, false, true, false, false, false, false, false, false, false}, false},
    {"uni-combo", "UNI-COMBO EU-1040", {true, true, true, true, true, true, true, true, true, false, false}, false},
    {"uni-writer", "UNI-RW EU-2080", {true, true, true, true, true, true, true, true, true, true, true}, false},
    {"xbox-dvd", "XDVD-16D", {true, true, false, false, false, false, false, false, false, false, false}, true},
};

}  // namespace

bool ApplyDrivePreset(const std::string& name, DriveConfig& config) {
    for (const auto& p : kPresets) {
        if (name != p.name) continue;
        config.preset = p.name;
        config.product = p.product;
        config.caps = p.caps;
        config.vendorMode = p.vendorMode;
        config.page3C = config.page3D = p.vendorMode;
        return true;
    }
    return false;
}

const std::vector<std::string>& DrivePresetNames() {
    static const std::vector<std::string> names = [] {
        std::vector<std::string> n;
        for (const auto& p : kPresets) n.push_back(p.name);
        return n;
    }();
    return names;
}

std::string DriveCommand::Hex() const { return CdbHex(cdb); }

MmcDrive::MmcDrive(DriveConfig driveConfig, std::shared_ptr<Disc> inserted) : config(std::move(driveConfig)) {
    if (inserted && inserted->Config().kind != DiscKind::None) disc = inserted;
    trayOpen = config.trayOpen;
    prevent = config.locked;
    persistentPrevent = config.persistentLocked;
    if (config.powerOnUnitAttention) {
        unitAttention = true;
        uaAsc = 0x29;
        uaAscq = 0x00;
    }
    faultMatches.assign(config.faults.size(), 0);
    faultFired.assign(config.faults.size(), 0);
}

void MmcDrive::AddFault(const FaultRule& rule) {
    config.faults.push_back(rule);
    faultMatches.push_back(0);
    faultFired.push_back(0);
}

size_t MmcDrive::CountReceived(uint8_t opcode) const {
    return size_t(std::count_if(received.begin(), received.end(),
                                [&](const DriveCommand& c) { return c.Opcode() == opcode; }));
}

void MmcDrive::Execute(const ScsiCommand& c, ScsiAnswer& a, Clock& clock) {
    Update(clock.NowMicros());
    a = ScsiAnswer{};
    DriveCommand rec;
    rec.atMicros = lastNow;
    std::copy(std::begin(c.cdb), std::end(c.cdb), rec.cdb);
    rec.cdbLength = c.cdbLength;
    rec.direction = c.direction;
    rec.dataLength = c.dataLength;

    if (vanished) {
        a.outcome = ScsiOutcome::TransportFailure;
    } else if (ApplyFault(c, a)) {
        rec.faulted = true;
    } else if (config.ignoreNoDataCommands && c.direction == 2) {
        // Acknowledged on the wire, lost before the drive acts on it.
    } else {
        Dispatch(c, a, clock);
    }

    rec.outcome = a.outcome;
    rec.status = a.status;
    rec.transferred = a.transferred;
    if (a.status == 0x02 && a.senseLength >= 14) {
        rec.key = a.sense[2] & 0x0F;
        rec.asc = a.sense[12];
        rec.ascq = a.sense[13];
    }
    received.push_back(rec);
}

bool MmcDrive::ApplyFault(const ScsiCommand& c, ScsiAnswer& a) {
    for (size_t i = 0; i < config.faults.size(); i++) {
        const FaultRule& f = config.faults[i];
        if (f.opcode >= 0 && c.cdb[0] != f.opcode) continue;
        if (f.subcode >= 0 && c.cdb[1] != f.subcode) continue;
        if (f.whileErasing && job < 0) continue;
        faultMatches[i]++;
        if (faultMatches[i] <= f.skip) continue;
        if (f.count > 0 && faultFired[i] >= f.count) continue;
        faultFired[i]++;
        switch (f.action) {
            case FaultAction::Sense:
                a.CheckCondition(f.key, f.asc, f.ascq);
                break;
            case FaultAction::CheckWithoutSense:
                a.status = 0x02;
                a.senseLength = 0;
                break;
            case FaultAction::Busy:
                a.status = 0x08;
                break;
            case FaultAction::TransportFailure:
                a.outcome = ScsiOutcome::TransportFailure;
                break;
            case FaultAction::Timeout:
                // The emulated system lets the command's time-out pass.
                a.outcome = ScsiOutcome::Timeout;
                break;
            case FaultAction::Vanish:
                Vanish();
                a.outcome = ScsiOutcome::TransportFailure;
                break;
        }
        return true;
    }
    return false;
}

void MmcDrive::Update(int64_t now) {
    lastNow = std::max(lastNow, now);
    now = lastNow;
    if (spinning && now >= readyAtMicros) {
        spinning = false;
        unitAttention = true;
        uaAsc = 0x28;  // NOT READY TO READY CHANGE, MEDIUM MAY HAVE CHANGED
        uaAscq = 0x00;
    }
    if (job < 0) return;
    EraseRecord& r = erasures[size_t(job)];
    int64_t elapsed = now - r.startMicros;
    int64_t target = r.count;
    if (now < r.endMicros) {
        int64_t setup = config.eraseSetupMillis * 1000;
        target = elapsed <= setup ? 0 : std::min<int64_t>(r.count, int64_t(double(elapsed - setup) * SpeedForDisc() / 1e6));
    }
    // Sectors go in the order the head passes them.
    int64_t offset = 0;
    for (const auto& run : r.runs) {
        int64_t len = run.end - run.begin;
        int64_t from = std::max(r.done, offset), to = std::min(target, offset + len);
        if (from < to) disc->Erase(run.begin + (from - offset), run.begin + (to - offset));
        offset += len;
    }
    r.done = std::max(r.done, target);
    if (now >= r.endMicros) {
        r.completed = true;
        job = -1;
    }
}

uint16_t MmcDrive::Progress() const {
    if (job < 0) return 0;
    const EraseRecord& r = erasures[size_t(job)];
    int64_t span = r.endMicros - r.startMicros;
    if (span <= 0) return 65535;
    int64_t p = (lastNow - r.startMicros) * 65536 / span;
    return uint16_t(std::clamp<int64_t>(p, 0, 65535));
}

double MmcDrive::SpeedForDisc() const {
    switch (disc ? disc->Family() : DiscFamily::None) {
        case DiscFamily::Cd: return config.eraseSpeed.cd;
        case DiscFamily::Dvd: return config.eraseSpeed.dvd;
        case DiscFamily::Bd: return config.eraseSpeed.bd;
        default: return config.eraseSpeed.hdDvd;
    }
}

void MmcDrive::StartErase(EraseRecord r, int64_t now) {
    r.count = 0;
    for (const auto& run : r.runs) r.count += run.end - run.begin;
    r.startMicros = now;
    double speed = std::max(1.0, SpeedForDisc());
    r.endMicros = now + config.eraseSetupMillis * 1000 + int64_t(std::ceil(double(r.count) * 1e6 / speed));
    erasures.push_back(r);
    job = int(erasures.size()) - 1;
}

void MmcDrive::AbortErase() {
    if (job < 0) return;
    erasures[size_t(job)].aborted = true;
    job = -1;
}

void MmcDrive::Vanish() {
    AbortErase();
    vanished = true;
}

void MmcDrive::CloseTray(int64_t now) {
    trayOpen = false;
    lastNow = std::max(lastNow, now);
    if (!disc) return;
    spinning = true;
    readyAtMicros = lastNow + config.spinUpMillis * 1000;
    mediaEvent = 2;  // NewMedia
}

void MmcDrive::OpenTray() {
    trayOpen = true;
    spinning = false;
    unitAttention = false;
    if (disc) mediaEvent = 3;  // MediaRemoval
}

void MmcDrive::PushTrayIn() {
    if (trayOpen) CloseTray(lastNow);
}

void MmcDrive::InsertDisc(std::shared_ptr<Disc> d) {
    AbortErase();
    disc = d && d->Config().kind != DiscKind::None ? d : nullptr;
    if (!trayOpen && disc) CloseTray(lastNow);
}

void MmcDrive::RemoveDisc() {
    AbortErase();
    if (disc && !trayOpen) mediaEvent = 3;
    disc.reset();
    spinning = false;
    unitAttention = false;
}

bool MmcDrive::FamilyReadable() const {
    if (!disc) return false;
    switch (disc->Family()) {
        case DiscFamily::Cd: return config.caps.readsCd;
        case DiscFamily::Dvd: return config.caps.readsDvd;
        case DiscFamily::Bd: return config.caps.readsBd;
        case DiscFamily::HdDvd: return config.caps.readsHdDvd;
        default: return false;
    }
}

bool MmcDrive::MediumReady(ScsiAnswer& a) const {
    if (job >= 0) {
        a.CheckCondition(0x02, 0x04, 0x07);  // LOGICAL UNIT NOT READY, OPERATION IN PROGRESS
        a.sense[15] = 0x80;
        Put16(a.sense + 16, Progress());
        return false;
    }
    if (trayOpen) a.CheckCondition(0x02, 0x3A, 0x02);         // MEDIUM NOT PRESENT - TRAY OPEN
    else if (!disc) a.CheckCondition(0x02, 0x3A, 0x00);       // MEDIUM NOT PRESENT
    else if (spinning) a.CheckCondition(0x02, 0x04, 0x01);    // BECOMING READY
    else if (!FamilyReadable()) a.CheckCondition(0x02, 0x30, 0x00);  // INCOMPATIBLE MEDIUM INSTALLED
    else return true;
    return false;
}

bool MmcDrive::ReportsUnitAttention(uint8_t opcode) const {
    // INQUIRY and REQUEST SENSE never report it; MMC adds the two status queries.
    return opcode != 0x12 && opcode != 0x03 && opcode != 0x46 && opcode != 0x4A;
}

void MmcDrive::SendData(const ScsiCommand& c, ScsiAnswer& a, const uint8_t* data, size_t built, uint32_t allocation) {
    size_t room = (c.direction == 1 && c.data) ? c.dataLength : 0;
    size_t n = std::min<size_t>({built, allocation, room});
    if (n) std::copy(data, data + n, c.data);
    a.outcome = ScsiOutcome::Completed;
    a.status = 0;
    a.transferred = uint32_t(n);
}

void MmcDrive::Dispatch(const ScsiCommand& c, ScsiAnswer& a, Clock& clock) {
    const uint8_t op = c.cdb[0];
    bool known = false;
    switch (op) {
        case 0x00: case 0x03: case 0x12: case 0x1B: case 0x1E: case 0x25: case 0x28: case 0x43:
        case 0x46: case 0x4A: case 0x51: case 0x52: case 0x5A: case 0xA8: case 0xAD:
            known = true;
            break;
        case 0xDF: known = config.erase == EraseKind::Range; break;
        case 0xDC: known = config.erase == EraseKind::Whole; break;
        default: break;
    }
    if (!known) {
        a.CheckCondition(0x05, 0x20, 0x00);  // INVALID COMMAND OPERATION CODE
        return;
    }
    if (unitAttention && ReportsUnitAttention(op)) {
        a.CheckCondition(0x06, uaAsc, uaAscq);
        unitAttention = false;
        return;
    }
    switch (op) {
        case 0x00: TestUnitReady(c, a); break;
        case 0x03: RequestSense(c, a); break;
        case 0x12: Inquiry(c, a); break;
        case 0x1B: StartStopUnit(c, a, clock); break;
        case 0x1E: PreventAllow(c, a); break;
        case 0x25: ReadCapacity(c, a); break;
        case 0x28: Read(c, a, false); break;
        case 0xA8: Read(c, a, true); break;
        case 0x43: ReadToc(c, a); break;
        case 0x46: GetConfiguration(c, a); break;
        case 0x4A: GetEventStatus(c, a); break;
        case 0x51: ReadDiscInformation(c, a); break;
        case 0x52: ReadTrackInformation(c, a); break;
        case 0x5A: ModeSense(c, a); break;
        case 0xAD: ReadDiscStructure(c, a); break;
        case 0xDF: EraseRange(c, a); break;
        case 0xDC: EraseWhole(c, a); break;
    }
}

void MmcDrive::TestUnitReady(const ScsiCommand&, ScsiAnswer& a) {
    MediumReady(a);
}

void MmcDrive::RequestSense(const ScsiCommand& c, ScsiAnswer& a) {
    if (c.cdb[1] & 0x01) {  // descriptor format is not supported
        a.CheckCondition(0x05, 0x24, 0x00);
        return;
    }
    uint8_t sense[18];
    ScsiAnswer current;
    if (unitAttention) {
        BuildSense(sense, 0x06, uaAsc, uaAscq);
        unitAttention = false;
    } else if (!MediumReady(current)) {
        std::copy(current.sense, current.sense + 18, sense);
    } else {
        BuildSense(sense, 0x00, 0x00, 0x00);
    }
    SendData(c, a, sense, sizeof sense, c.cdb[4]);
}

void MmcDrive::BuildSense(uint8_t* out, uint8_t key, uint8_t asc, uint8_t ascq) const {
    std::fill(out, out + 18, uint8_t(0));
    out[0] = 0x70;
    out[2] = key;
    out[7] = 10;
    out[12] = asc;
    out[13] = ascq;
}

void MmcDrive::StartStopUnit(const ScsiCommand& c, ScsiAnswer& a, Clock& clock) {
    const uint8_t b4 = c.cdb[4];
    const bool loadEject = b4 & 0x02, start = b4 & 0x01;
    if ((b4 >> 4) != 0 || !loadEject) return;  // power conditions and spinning are not modelled
    if (start) {
        if (!trayOpen) return;
        if (config.trayLoad == TrayLoad::Manual) {
            a.CheckCondition(0x05, 0x24, 0x00);  // the tray has no motor to pull it in
            loadRefusals++;
            if (config.userPushesAfterRefusals > 0 && loadRefusals == config.userPushesAfterRefusals) CloseTray(lastNow);
            return;
        }
        clock.Advance(config.trayMoveMillis * 1000);
        CloseTray(clock.NowMicros());
        return;
    }
    if (job >= 0) {
        MediumReady(a);  // busy erasing
        return;
    }
    if (LockState()) {
        a.CheckCondition(0x05, 0x53, 0x02);  // MEDIUM REMOVAL PREVENTED
        return;
    }
    if (trayOpen) return;
    clock.Advance(config.trayMoveMillis * 1000);
    lastNow = std::max(lastNow, clock.NowMicros());
    OpenTray();
}

void MmcDrive::PreventAllow(const ScsiCommand& c, ScsiAnswer&) {
    const bool lock = c.cdb[4] & 0x01, persistent = c.cdb[4] & 0x02;
    if (persistent) persistentPrevent = lock;
    else prevent = lock;
}

void MmcDrive::EraseRange(const ScsiCommand& c, ScsiAnswer& a) {
    if (c.cdb[1] != 0x1A) {
        a.CheckCondition(0x05, 0x24, 0x00);
        return;
    }
    if (!MediumReady(a)) return;
    int64_t psn = 0;
    bool onDisc = true;
    if (disc->Family() == DiscFamily::Cd) {
        // CDs are addressed by time: area 00h the program area, FFh the lead-in from 90:00:00.
        const uint8_t area = c.cdb[2], m = c.cdb[3], s = c.cdb[4], f = c.cdb[5];
        if (area != 0x00 && area != 0xFF) {
            a.CheckCondition(0x05, 0x24, 0x00);
            return;
        }
        int64_t frames = int64_t(m) * 4500 + s * 75 + f;
        if (s > 59 || f > 74 || m > 99 || (area == 0xFF && m < 90)) onDisc = false;
        psn = area == 0xFF ? frames - 450150 : frames - 150;
    } else {
        uint32_t v = Get32(c.cdb + 2);
        if (disc->Family() == DiscFamily::Bd) {
            onDisc = v <= 0x1FFFFFF;
            psn = v;
        } else {
            // Layer-1 numbers arrive sign-extended from 24 bits.
            onDisc = (v >> 24) == 0x00 || (v >> 24) == 0xFF;
            psn = v & 0xFFFFFF;
        }
    }
    const int64_t count = Get32(c.cdb + 6);
    int64_t begin = 0;
    if (!onDisc || !disc->PsnToSpiral(psn, begin) || begin + count > disc->SpiralLength()) {
        a.CheckCondition(0x05, 0x21, 0x00);  // LOGICAL BLOCK ADDRESS OUT OF RANGE
        return;
    }
    if (disc->Info().medium == Medium::Rom) {
        a.CheckCondition(0x05, 0x30, 0x05);  // CANNOT WRITE MEDIUM - INCOMPATIBLE FORMAT
        return;
    }
    if (count == 0) return;  // a zero length asks for nothing, as with any transfer length
    EraseRecord r;
    r.firstPsn = psn;
    r.runs.push_back(Interval{begin, begin + count});
    StartErase(r, lastNow);
}

void MmcDrive::EraseWhole(const ScsiCommand& c, ScsiAnswer& a) {
    const bool enable = c.cdb[1] & 0x01;
    const uint8_t mode = c.cdb[2] & 0x03;
    if (!enable || mode > 1) {
        a.CheckCondition(0x05, 0x24, 0x00);
        return;
    }
    if (!MediumReady(a)) return;
    if (disc->Info().medium == Medium::Rom) {
        a.CheckCondition(0x05, 0x30, 0x05);
        return;
    }
    IntervalSet target;
    if (mode == 0) {
        // Full: everything recorded, lead-in included.
        for (const auto& v : disc->RecordedPositions().Intervals()) target.Add(v.begin, v.end);
    } else {
        // Quick: the areas in front of the user data, the start of every track and, on BD,
        // the areas behind the user data.
        const bool bd = disc->Family() == DiscFamily::Bd;
        bool beforeUser = true;
        for (const auto& area : disc->Areas()) {
            if (area.userData) {
                beforeUser = false;
                continue;
            }
            if (beforeUser || bd) target.Add(area.spiralStart, area.spiralStart + area.sectors);
        }
        const int64_t head = bd ? 4096 : 2256;
        for (const auto& t : disc->Tracks()) {
            if (t.invisible) continue;
            for (int64_t lba = t.start; lba < t.start + std::min(head, t.length); lba++) {
                int64_t p = 0;
                if (!disc->LbaToSpiral(lba, p)) break;
                // Extend by whole user-area stretches instead of one sector at a time.
                int64_t span = 1;
                while (lba + span < t.start + std::min(head, t.length)) {
                    int64_t q = 0;
                    if (!disc->LbaToSpiral(lba + span, q) || q != p + span) break;
                    span++;
                }
                target.Add(p, p + span);
                lba += span - 1;
            }
        }
        // Only what is on the disc's recorded surface is worth the laser's time.
        IntervalSet recordedOnly;
        for (const auto& v : target.Intervals())
            for (const auto& r : disc->RecordedPositions().Covered(v.begin, v.end)) recordedOnly.Add(r.begin, r.end);
        target = recordedOnly;
    }
    EraseRecord r;
    r.wholeDisc = true;
    r.quick = mode == 1;
    r.runs = target.Intervals();
    StartErase(r, lastNow);
}

}  // namespace emu
