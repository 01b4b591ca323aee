// The iSCSI system.
//
// Porting contract: there is exactly one drive, the logical unit the URL names. Its root and
// device path are the fixed name "iscsi" (a URL is longer than the drive table keeps), and the
// list shows that name. Its SCSI address is port 0, path 0, target 0 and the URL's LUN. Opening
// the drive logs in to the target, or reuses the session of the handle closed last while it
// still answers, and checks with INQUIRY that the logical unit exists and is an optical drive;
// sessions end with the system. Commands are carried from the pass-through block to the
// session with the same direction, length, time-out, status, sense and residual semantics as
// SG_IO on Linux. A failed task, a lost connection and a command that is not answered in time
// are transport failures: the call fails, the session is closed, and every further command on
// that handle fails until the drive is opened again. Every such failure is kept, in words for
// the user, as the access problem. There is no ASPI manager, registry or version resource;
// those calls answer "not available".
#include "platform/iscsi/IscsiSystem.h"

#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/PassThrough.h"
#include "platform/ScsiStructures.h"

namespace {
// A block that names no time-out gets the program's own command time-out.
constexpr uint32_t kDefaultTimeoutSeconds = 60;
constexpr uint8_t kMmcDevice = 0x05;  // peripheral device type of an MMC (optical) drive

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool PercentDecode(const std::string& in, std::string& out) {
    out.clear();
    for (size_t i = 0; i < in.size(); i++) {
        if (in[i] != '%') {
            out += in[i];
            continue;
        }
        if (i + 2 >= in.size()) return false;
        int hi = HexValue(in[i + 1]), lo = HexValue(in[i + 2]);
        if (hi < 0 || lo < 0) return false;
        out += char(hi * 16 + lo);
        i += 2;
    }
    return true;
}

std::string Seconds(uint32_t n) { return std::to_string(n) + (n == 1 ? " second" : " seconds"); }

std::string Hex(uint8_t value) {
    char text[8];
    std::snprintf(text, sizeof text, "%02Xh", value);
    return text;
}

// The callers read key, ASC and ASCQ at the fixed-format offsets: a target that answers in
// descriptor format gets its sense rewritten into fixed format, the same three values kept.
uint32_t FixedFormatSense(const uint8_t* sense, uint32_t length, uint8_t* out, uint32_t outSize) {
    uint8_t code = length ? sense[0] & 0x7F : 0;
    if ((code == 0x72 || code == 0x73) && length >= 4) {
        uint8_t fixed[18] = {};
        fixed[0] = code == 0x72 ? 0x70 : 0x71;
        fixed[2] = sense[1] & 0x0F;
        fixed[7] = 10;  // additional sense length
        fixed[12] = sense[2];
        fixed[13] = sense[3];
        uint32_t n = std::min<uint32_t>(sizeof fixed, outSize);
        std::memcpy(out, fixed, n);
        return n;
    }
    uint32_t n = std::min(length, outSize);
    std::memcpy(out, sense, n);
    return n;
}
}  // namespace

std::string IscsiUrl::Portal() const {
    std::string h = host.find(':') != std::string::npos ? "[" + host + "]" : host;
    return h + ":" + std::to_string(port);
}

std::string IscsiUrl::Description() const {
    return Portal() + " (" + target + ", LUN " + std::to_string(lun) + ")";
}

bool ParseIscsiUrl(const std::string& text, IscsiUrl& url, std::string& error) {
    const std::string usage = " (expected iscsi://HOST[:PORT]/TARGET-IQN/LUN)";
    const std::string scheme = "iscsi://";
    url = IscsiUrl{};
    if (text.compare(0, scheme.size(), scheme) != 0) {
        error = "not an iSCSI URL: " + text + usage;
        return false;
    }
    std::string rest = text.substr(scheme.size());
    size_t slash = rest.find('/');
    if (slash == std::string::npos) {
        error = "the iSCSI URL names no target: " + text + usage;
        return false;
    }
    std::string authority = rest.substr(0, slash);
    std::string path = rest.substr(slash + 1);

    size_t at = authority.rfind('@');
    if (at != std::string::npos) {
        std::string credentials = authority.substr(0, at);
        authority = authority.substr(at + 1);
        size_t split = credentials.find('%');
        url.user = credentials.substr(0, split);
        if (split != std::string::npos) url.password = credentials.substr(split + 1);
        if (url.user.empty()) {
            error = "the iSCSI URL has an empty user name: " + text + usage;
            return false;
        }
    }

    std::string portText;
    if (!authority.empty() && authority[0] == '[') {
        size_t close = authority.find(']');
        if (close == std::string::npos) {
            error = "the iSCSI URL has an unclosed [ in its host: " + text + usage;
            return false;
        }
        url.host = authority.substr(1, close - 1);
        std::string after = authority.substr(close + 1);
        if (!after.empty()) {
            if (after[0] != ':') {
                error = "the iSCSI URL has text after its host: " + text + usage;
                return false;
            }
            portText = after.substr(1);
            if (portText.empty()) portText = "-";
        }
    } else {
        size_t colon = authority.find(':');
        url.host = authority.substr(0, colon);
        if (colon != std::string::npos) portText = authority.substr(colon + 1).empty() ? "-" : authority.substr(colon + 1);
    }
    if (url.host.empty()) {
        error = "the iSCSI URL names no host: " + text + usage;
        return false;
    }
    if (!portText.empty()) {
        char* end = nullptr;
        errno = 0;
        long port = std::strtol(portText.c_str(), &end, 10);
        if (errno || *end || port < 1 || port > 65535 || !std::isdigit(static_cast<unsigned char>(portText[0]))) {
            error = "the iSCSI URL has a bad port \"" + portText + "\": " + text + usage;
            return false;
        }
        url.port = uint16_t(port);
    }

    size_t lunSlash = path.rfind('/');
    if (lunSlash == std::string::npos || lunSlash == 0) {
        error = "the iSCSI URL names no " + std::string(lunSlash == 0 ? "target" : "LUN") + ": " + text + usage;
        return false;
    }
    if (!PercentDecode(path.substr(0, lunSlash), url.target) || url.target.find('/') != std::string::npos) {
        error = "the iSCSI URL has a bad target name: " + text + usage;
        return false;
    }
    std::string lunText = path.substr(lunSlash + 1);
    char* end = nullptr;
    errno = 0;
    long lun = lunText.empty() ? -1 : std::strtol(lunText.c_str(), &end, 10);
    if (lun < 0 || lun > 255 || errno || (end && *end) || !std::isdigit(static_cast<unsigned char>(lunText[0]))) {
        error = "the iSCSI URL has a bad LUN \"" + lunText + "\" (0 to 255): " + text + usage;
        return false;
    }
    url.lun = uint8_t(lun);
    return true;
}

IscsiSystem::IscsiSystem(IscsiUrl url, IscsiSessionFactory factory)
    : url(std::move(url)), factory(std::move(factory)) {}

IscsiSystem::~IscsiSystem() = default;

uint32_t IscsiSystem::GetLogicalDriveStringsA(uint32_t bufferLength, char* buffer) {
    std::string list = std::string(kRoot) + '\0';
    uint32_t needed = uint32_t(list.size() + 1);
    if (!buffer || bufferLength < needed) return needed;
    std::memcpy(buffer, list.data(), list.size());
    buffer[list.size()] = '\0';
    return uint32_t(list.size());
}

uint32_t IscsiSystem::GetDriveTypeA(const char* rootPath) {
    return rootPath && std::strcmp(rootPath, kRoot) == 0 ? kDriveCdrom : 1;
}

void IscsiSystem::DevicePathOfRoot(const char* rootPath, char* path, size_t pathSize) {
    std::snprintf(path, pathSize, "%s", rootPath);
}

std::string IscsiSystem::DisplayRoot(const char* rootPath) { return rootPath ? rootPath : ""; }

SysHandle IscsiSystem::CreateFileA(const char* path) {
    if (!path || std::strcmp(path, kRoot) != 0) return kInvalidHandle;
    // The session of the handle closed last serves again while it still answers: a local drive
    // sees no new initiator, and reports no reset, each time it is opened.
    std::unique_ptr<IscsiSession> session = std::move(idleSession);
    if (!session || !CheckUnit(*session)) {
        session = factory();
        std::string error;
        if (!session || !session->Login(url, kLoginTimeoutSeconds, error)) {
            accessProblem = "Cannot connect to iSCSI target " + url.Description() + ": " + error +
                            ". Check that the target is running and that the URL names it.";
            return kInvalidHandle;
        }
        if (!CheckUnit(*session)) return kInvalidHandle;
    }
    accessProblem.clear();
    SysHandle h = nextHandle++;
    sessions[h] = std::move(session);
    return h;
}

bool IscsiSystem::CheckUnit(IscsiSession& session) {
    // As the kernel lists only the devices that exist, open only a logical unit that is there
    // and is an optical drive. INQUIRY neither reports nor clears a unit attention.
    uint8_t cdb[6] = {0x12, 0, 0, 0, 36, 0};
    uint8_t data[36] = {};
    IscsiCommand inquiry{cdb, sizeof cdb, IscsiDirection::In, data, sizeof data, kLoginTimeoutSeconds};
    IscsiReply reply = session.Execute(inquiry);
    if (reply.outcome != IscsiOutcome::Completed) {
        accessProblem = "The iSCSI target " + url.Description() + " did not answer INQUIRY: " +
                        (reply.outcome == IscsiOutcome::Timeout ? "no answer within " + Seconds(kLoginTimeoutSeconds)
                                                                : reply.error) +
                        ".";
        return false;
    }
    if (reply.status != kScsiStatusGood || reply.transferred < 1 || (data[0] >> 5) != 0) {
        accessProblem = "The iSCSI target " + url.Portal() + " (" + url.target + ") has no logical unit " +
                        std::to_string(url.lun) + ". Check the LUN at the end of the URL.";
        return false;
    }
    if ((data[0] & 0x1F) != kMmcDevice) {
        accessProblem = "Logical unit " + std::to_string(url.lun) + " of iSCSI target " + url.Portal() + " (" +
                        url.target + ") is not an optical drive (peripheral device type " + Hex(data[0] & 0x1F) + ").";
        return false;
    }
    return true;
}

bool IscsiSystem::CloseHandle(SysHandle handle) {
    auto it = sessions.find(handle);
    if (it == sessions.end()) return false;
    // Kept for the next open; a session whose connection failed is gone already.
    if (it->second) idleSession = std::move(it->second);
    sessions.erase(it);
    return true;
}

bool IscsiSystem::DeviceIoControl(SysHandle device, uint32_t controlCode, void* inBuffer, uint32_t inSize,
                                  void* outBuffer, uint32_t outSize, uint32_t* bytesReturned) {
    if (bytesReturned) *bytesReturned = 0;
    auto it = sessions.find(device);
    if (it == sessions.end()) return false;
    if (controlCode == kIoctlScsiGetAddress) {
        if (!outBuffer || outSize < sizeof(ScsiAddress)) return false;
        ScsiAddress a{};
        a.Length = sizeof a;
        a.Lun = url.lun;
        std::memcpy(outBuffer, &a, sizeof a);
        if (bytesReturned) *bytesReturned = sizeof a;
        return true;
    }
    if (controlCode != kIoctlScsiPassThroughDirect) return false;
    return PassThrough(it->second, inBuffer, inSize, outSize, bytesReturned);
}

bool IscsiSystem::PassThrough(std::unique_ptr<IscsiSession>& session, void* block, uint32_t inSize,
                              uint32_t outSize, uint32_t* bytesReturned) {
    // Every length and offset the caller supplied is checked before anything goes on the wire.
    ScsiPassThroughDirect* sptd = CheckedPassThrough(block, inSize, block, outSize);
    if (!sptd) return false;
    // The connection failed earlier: the drive is gone until it is opened again.
    if (!session) return false;

    IscsiCommand c;
    c.cdb = sptd->Cdb;
    c.cdbLength = sptd->CdbLength;
    if (sptd->DataTransferLength == 0) c.direction = IscsiDirection::None;
    else if (sptd->DataIn == kScsiIoctlDataOut) c.direction = IscsiDirection::Out;
    else c.direction = IscsiDirection::In;
    c.data = c.direction == IscsiDirection::None ? nullptr : static_cast<uint8_t*>(sptd->DataBuffer);
    c.dataLength = sptd->DataTransferLength;
    c.timeoutSeconds = sptd->TimeOutValue ? sptd->TimeOutValue : kDefaultTimeoutSeconds;

    IscsiReply r = session->Execute(c);
    if (r.outcome != IscsiOutcome::Completed) {
        // A late answer must never land in a buffer that has moved on: the session goes.
        std::string opcode = Hex(sptd->Cdb[0]);
        if (r.outcome == IscsiOutcome::Timeout)
            accessProblem = "The iSCSI target " + url.Description() + " did not answer command " + opcode +
                            " within " + Seconds(c.timeoutSeconds) + "; the connection was closed.";
        else
            accessProblem = "The connection to iSCSI target " + url.Description() + " failed during command " +
                            opcode + (r.error.empty() ? std::string() : ": " + r.error) + ".";
        session.reset();
        return false;
    }
    uint8_t sense[32] = {};
    uint32_t senseLength = 0;
    if (r.status == kScsiStatusCheckCondition)
        senseLength = uint32_t(FixedFormatSense(r.sense, std::min<uint32_t>(r.senseLength, sizeof r.sense), sense,
                                                sizeof sense));
    CompletePassThrough(*sptd, r.status, sense, senseLength, r.transferred);
    if (bytesReturned) *bytesReturned = sizeof(ScsiPassThroughDirect);
    return true;
}

std::unique_ptr<System> CreateIscsiSystem(const std::string& text, std::string& error) {
    IscsiUrl url;
    if (!ParseIscsiUrl(text, url, error)) return nullptr;
    return std::make_unique<IscsiSystem>(std::move(url), CreateLibIscsiSession);
}
