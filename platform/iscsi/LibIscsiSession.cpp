// A session with an iSCSI target through libiscsi, driven by its asynchronous calls and a poll
// loop of our own, so that every wait has a deadline and a lost connection is never retried
// behind the program's back.
#include <iscsi/iscsi.h>
#include <iscsi/scsi-lowlevel.h>
#include <poll.h>
#include <sys/socket.h>
#include <pthread.h>
#include <signal.h>
#include <time.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <string>

#include "platform/iscsi/IscsiSystem.h"

namespace {
constexpr const char* kInitiatorName = "iqn.2026-01.org.nullburn:initiator";
constexpr uint32_t kLogoutTimeoutSeconds = 2;

int64_t NowNanos() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return int64_t(ts.tv_sec) * 1'000'000'000 + ts.tv_nsec;
}

// A target that drops the connection must not kill the program with SIGPIPE: the signal is
// held while libiscsi writes, and one raised meanwhile is taken back.
class SigpipeGuard {
public:
    SigpipeGuard() {
        sigemptyset(&pipeSet);
        sigaddset(&pipeSet, SIGPIPE);
        sigset_t pending;
        sigpending(&pending);
        wasPending = sigismember(&pending, SIGPIPE) == 1;
        pthread_sigmask(SIG_BLOCK, &pipeSet, &oldMask);
    }
    ~SigpipeGuard() {
        if (!wasPending) {
            sigset_t pending;
            sigpending(&pending);
            if (sigismember(&pending, SIGPIPE) == 1) {
                timespec zero{0, 0};
                sigtimedwait(&pipeSet, nullptr, &zero);
            }
        }
        pthread_sigmask(SIG_SETMASK, &oldMask, nullptr);
    }

private:
    sigset_t pipeSet, oldMask;
    bool wasPending = false;
};

// libiscsi's words for a failure, as the end of a sentence.
std::string Explain(const char* text) {
    std::string s = text && *text ? text : "unknown error";
    std::string lower = s;
    std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    if (lower.find("connection refused") != std::string::npos) return "connection refused";
    if (lower.find("no route to host") != std::string::npos) return "no route to host";
    if (lower.find("network is unreachable") != std::string::npos) return "network is unreachable";
    if (lower.find("connection reset") != std::string::npos) return "connection reset by the target";
    if (lower.find("resolv") != std::string::npos) return "the host name does not resolve";
    while (!s.empty() && (s.back() == '\n' || s.back() == '.')) s.pop_back();
    return s;
}

struct Completion {
    bool done = false;
    int status = 0;
};

void OnDone(iscsi_context*, int status, void*, void* privateData) {
    auto* c = static_cast<Completion*>(privateData);
    c->done = true;
    c->status = status;
}

class LibIscsiSession : public IscsiSession {
public:
    ~LibIscsiSession() override {
        if (context && loggedIn) {
            SigpipeGuard guard;
            Completion logout;
            std::string ignored;
            if (iscsi_logout_async(context, OnDone, &logout) == 0)
                RunUntil(logout, NowNanos() + int64_t(kLogoutTimeoutSeconds) * 1'000'000'000, ignored);
        }
        Teardown();
    }

    bool Login(const IscsiUrl& url, uint32_t timeoutSeconds, std::string& error) override {
        SigpipeGuard guard;
        Teardown();
        context = iscsi_create_context(kInitiatorName);
        if (!context) {
            error = "cannot create an iSCSI context";
            return false;
        }
        // libiscsi would otherwise reconnect without end and hide a lost drive.
        iscsi_set_noautoreconnect(context, 1);
        iscsi_set_targetname(context, url.target.c_str());
        iscsi_set_session_type(context, ISCSI_SESSION_NORMAL);
        iscsi_set_header_digest(context, ISCSI_HEADER_DIGEST_NONE_CRC32C);
        if (!url.user.empty()) iscsi_set_initiator_username_pwd(context, url.user.c_str(), url.password.c_str());
        lun = url.lun;
        int64_t deadline = NowNanos() + int64_t(timeoutSeconds) * 1'000'000'000;
        std::string noAnswer = "no answer within " + std::to_string(timeoutSeconds) +
                               (timeoutSeconds == 1 ? " second" : " seconds");

        if (iscsi_connect_async(context, url.Portal().c_str(), OnDone, &connected) != 0) {
            error = Explain(iscsi_get_error(context));
            Teardown();
            return false;
        }
        lastSocketError = 0;
        Wait w = RunUntil(connected, deadline, error);
        if (w != Wait::Done || connected.status != SCSI_STATUS_GOOD) {
            error = w == Wait::TimedOut ? noAnswer
                    : lastSocketError   ? Explain(std::strerror(lastSocketError))
                                        : Explain(iscsi_get_error(context));
            Teardown();
            return false;
        }
        if (iscsi_login_async(context, OnDone, &loginDone) != 0) {
            error = "login failed: " + Explain(iscsi_get_error(context));
            Teardown();
            return false;
        }
        w = RunUntil(loginDone, deadline, error);
        if (w != Wait::Done || loginDone.status != SCSI_STATUS_GOOD) {
            error = w == Wait::TimedOut ? noAnswer + " to the login" : "login failed: " + Explain(iscsi_get_error(context));
            Teardown();
            return false;
        }
        loggedIn = true;
        return true;
    }

    IscsiReply Execute(const IscsiCommand& c) override {
        SigpipeGuard guard;
        IscsiReply r;
        if (!context || !loggedIn) {
            r.error = "not connected";
            return r;
        }
        int dir = c.direction == IscsiDirection::In ? SCSI_XFER_READ
                  : c.direction == IscsiDirection::Out ? SCSI_XFER_WRITE
                                                       : SCSI_XFER_NONE;
        uint32_t length = c.direction == IscsiDirection::None ? 0 : c.dataLength;
        uint8_t cdb[16] = {};
        std::memcpy(cdb, c.cdb, std::min<size_t>(c.cdbLength, sizeof cdb));
        scsi_task* task = scsi_create_task(c.cdbLength, cdb, dir, int(length));
        if (!task) {
            r.error = "out of memory";
            return r;
        }
        // Data in lands straight in the caller's buffer, and only up to its length.
        if (dir == SCSI_XFER_READ && length) scsi_task_add_data_in_buffer(task, int(length), c.data);
        iscsi_data out{length, c.data};
        Completion command;
        if (iscsi_scsi_command_async(context, lun, task, OnDone, dir == SCSI_XFER_WRITE ? &out : nullptr, &command) != 0) {
            r.error = Explain(iscsi_get_error(context));
            scsi_free_scsi_task(task);
            Teardown();
            return r;
        }
        std::string error;
        Wait w = RunUntil(command, NowNanos() + int64_t(c.timeoutSeconds) * 1'000'000'000, error);
        if (w != Wait::Done || command.status < 0 || command.status > 0xFF) {
            r.outcome = w == Wait::TimedOut || command.status == SCSI_STATUS_TIMEOUT ? IscsiOutcome::Timeout
                                                                                      : IscsiOutcome::TransportFailure;
            r.error = w == Wait::Done ? Explain(iscsi_get_error(context)) : Explain(error.c_str());
            // The task may still be in flight: the context goes first, so nothing writes into
            // the caller's buffer or the task afterwards.
            Teardown();
            scsi_free_scsi_task(task);
            return r;
        }
        r.outcome = IscsiOutcome::Completed;
        r.status = uint8_t(command.status);
        if (r.status == SCSI_STATUS_CHECK_CONDITION) ReadSense(task, r);
        uint32_t residual = task->residual_status == SCSI_RESIDUAL_UNDERFLOW ? uint32_t(std::min<size_t>(task->residual, length)) : 0;
        r.transferred = length - residual;
        scsi_free_scsi_task(task);
        return r;
    }

private:
    enum class Wait { Done, Failed, TimedOut };

    // Serves the connection until `c` completes, the connection fails or `deadline` passes.
    Wait RunUntil(const Completion& c, int64_t deadline, std::string& error) {
        while (!c.done) {
            int64_t left = deadline - NowNanos();
            if (left <= 0) return Wait::TimedOut;
            int ms = int(std::clamp<int64_t>(left / 1'000'000, 1, 1000));
            pollfd p{iscsi_get_fd(context), short(iscsi_which_events(context)), 0};
            int revents = 0;
            if (p.fd < 0 || p.events == 0) {
                // libiscsi asks for a pause before it can go on.
                timespec pause{0, long(std::min(ms, 100)) * 1'000'000};
                nanosleep(&pause, nullptr);
            } else {
                int n = poll(&p, 1, ms);
                if (n < 0) {
                    if (errno == EINTR) continue;
                    error = std::strerror(errno);
                    return Wait::Failed;
                }
                revents = n > 0 ? p.revents : 0;
                // libiscsi reports a refused or broken connection only as a failed reconnect:
                // the socket's own error says what happened.
                if (revents & (POLLERR | POLLHUP)) {
                    int socketError = 0;
                    socklen_t size = sizeof socketError;
                    if (getsockopt(p.fd, SOL_SOCKET, SO_ERROR, &socketError, &size) == 0 && socketError)
                        lastSocketError = socketError;
                }
            }
            if (iscsi_service(context, revents) < 0) {
                if (c.done) return Wait::Done;
                error = iscsi_get_error(context) ? iscsi_get_error(context) : "the connection failed";
                return Wait::Failed;
            }
        }
        return Wait::Done;
    }

    static void ReadSense(scsi_task* task, IscsiReply& r) {
        // The response carries the sense data behind a two-byte length.
        if (task->datain.data && task->datain.size >= 2) {
            uint32_t length = uint32_t(task->datain.data[0]) << 8 | task->datain.data[1];
            length = std::min<uint32_t>({length, uint32_t(task->datain.size - 2), uint32_t(sizeof r.sense)});
            std::memcpy(r.sense, task->datain.data + 2, length);
            r.senseLength = length;
            if (length) return;
        }
        // Only libiscsi's decoding is left: rebuild fixed-format sense from it.
        r.sense[0] = 0x70;
        r.sense[2] = uint8_t(task->sense.key) & 0x0F;
        r.sense[7] = 10;
        r.sense[12] = uint8_t(task->sense.ascq >> 8);
        r.sense[13] = uint8_t(task->sense.ascq);
        r.senseLength = 18;
    }

    void Teardown() {
        if (context) iscsi_destroy_context(context);
        context = nullptr;
        loggedIn = false;
    }

    iscsi_context* context = nullptr;
    bool loggedIn = false;
    int lun = 0;
    int lastSocketError = 0;
    // libiscsi may call back into these until the context is destroyed.
    Completion connected, loginDone;
};
}  // namespace

std::unique_ptr<IscsiSession> CreateLibIscsiSession() { return std::make_unique<LibIscsiSession>(); }
