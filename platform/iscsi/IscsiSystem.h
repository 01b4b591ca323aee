// A drive on another host, reached over iSCSI: one logical unit of one target, named by a URL.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "platform/linux/LinuxHost.h"

// iscsi://[USER[%PASSWORD]@]HOST[:PORT]/TARGET-IQN/LUN, as libiscsi and QEMU write it.
struct IscsiUrl {
    std::string host;      // "127.0.0.1", "::1" (written [::1] in the URL), a host name
    uint16_t port = 3260;  // the iSCSI default
    std::string target;    // percent escapes decoded ("%3A" is ':')
    uint8_t lun = 0;
    std::string user, password;  // CHAP, when given

    std::string Portal() const;       // "127.0.0.1:3260", "[::1]:3260": what libiscsi connects to
    std::string Description() const;  // "127.0.0.1:3260 (iqn.…:cd, LUN 1)" for messages
};

// Parses `text`; false with the reason in `error`.
bool ParseIscsiUrl(const std::string& text, IscsiUrl& url, std::string& error);

// One command as it goes to the logical unit.
enum class IscsiDirection { None, In, Out };

struct IscsiCommand {
    const uint8_t* cdb = nullptr;
    uint8_t cdbLength = 0;
    IscsiDirection direction = IscsiDirection::None;
    uint8_t* data = nullptr;
    uint32_t dataLength = 0;
    uint32_t timeoutSeconds = 0;
};

enum class IscsiOutcome {
    Completed,         // the logical unit answered with `status`
    TransportFailure,  // the task, the session or the connection failed
    Timeout,           // no answer before the command's time-out
};

struct IscsiReply {
    IscsiOutcome outcome = IscsiOutcome::TransportFailure;
    uint8_t status = 0;
    uint8_t sense[64] = {};  // as the target sent it (fixed or descriptor format)
    uint32_t senseLength = 0;
    uint32_t transferred = 0;  // bytes that actually moved
    std::string error;         // for failures: what went wrong, in words
};

// A logged-in session with the target, so that tests can stand in for libiscsi and the network.
class IscsiSession {
public:
    virtual ~IscsiSession() = default;
    // Connects and logs in within `timeoutSeconds`; false with the reason in `error`, in words
    // such as "connection refused" or "no answer within 10 seconds".
    virtual bool Login(const IscsiUrl& url, uint32_t timeoutSeconds, std::string& error) = 0;
    virtual IscsiReply Execute(const IscsiCommand& command) = 0;
};

using IscsiSessionFactory = std::function<std::unique_ptr<IscsiSession>()>;

// A session through libiscsi over TCP.
std::unique_ptr<IscsiSession> CreateLibIscsiSession();

class IscsiSystem : public LinuxHost {
public:
    // Seconds a connection and login may take before the target counts as unreachable.
    static constexpr uint32_t kLoginTimeoutSeconds = 10;

    IscsiSystem(IscsiUrl url, IscsiSessionFactory factory);
    ~IscsiSystem() override;

    // The one drive's root and device path: the URL itself does not fit the drive table.
    static constexpr const char* kRoot = "iscsi";

    uint32_t GetLogicalDriveStringsA(uint32_t bufferLength, char* buffer) override;
    uint32_t GetDriveTypeA(const char* rootPath) override;
    void DevicePathOfRoot(const char* rootPath, char* path, size_t pathSize) override;
    std::string DisplayRoot(const char* rootPath) override;
    std::string AccessProblem() override { return accessProblem; }
    SysHandle CreateFileA(const char* path) override;
    bool CloseHandle(SysHandle handle) override;
    bool DeviceIoControl(SysHandle device, uint32_t controlCode, void* inBuffer, uint32_t inSize,
                         void* outBuffer, uint32_t outSize, uint32_t* bytesReturned) override;

private:
    // Checks that the URL's logical unit exists and is an optical drive; else says why.
    bool CheckUnit(IscsiSession& session);
    bool PassThrough(std::unique_ptr<IscsiSession>& session, void* block, uint32_t inSize, uint32_t outSize,
                     uint32_t* bytesReturned);

    IscsiUrl url;
    IscsiSessionFactory factory;
    // An open handle's session; none once its connection failed, until the drive is opened again.
    std::map<SysHandle, std::unique_ptr<IscsiSession>> sessions;
    std::unique_ptr<IscsiSession> idleSession;  // the session of the handle closed last
    SysHandle nextHandle = 0x100;
    std::string accessProblem;
};

// The system for `url`, or none with the reason in `error` when the URL is malformed. Nothing
// is connected yet: the drive scan opens the drive, and a failure to reach the target is then
// the access problem shown instead of "No drive detected !".
std::unique_ptr<System> CreateIscsiSystem(const std::string& url, std::string& error);
