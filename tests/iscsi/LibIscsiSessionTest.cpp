// The libiscsi session against sockets on the loopback address that misbehave as broken
// targets do: nobody listening, a listener that never answers, one that hangs up at once.
// Each test bounds its own waits; CTest bounds the whole run.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "platform/iscsi/IscsiSystem.h"

namespace {

// A TCP socket bound to a free loopback port; listening only when asked.
struct LoopbackSocket {
    int fd = -1;
    uint16_t port = 0;
    explicit LoopbackSocket(bool listening) {
        fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        EXPECT_EQ(bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
        socklen_t size = sizeof a;
        getsockname(fd, reinterpret_cast<sockaddr*>(&a), &size);
        port = ntohs(a.sin_port);
        if (listening) {
            EXPECT_EQ(listen(fd, 4), 0);
        }
    }
    ~LoopbackSocket() {
        if (fd >= 0) close(fd);
    }
    IscsiUrl Url() const {
        IscsiUrl url;
        std::string error;
        EXPECT_TRUE(ParseIscsiUrl("iscsi://127.0.0.1:" + std::to_string(port) + "/iqn.2026-01.test:none/1", url, error));
        return url;
    }
};

using Clock = std::chrono::steady_clock;

TEST(LibIscsiSessionTest, NobodyListeningIsConnectionRefused) {
    LoopbackSocket closed(false);  // bound, so the port stays ours, but not listening
    auto session = CreateLibIscsiSession();
    std::string error;
    auto start = Clock::now();
    EXPECT_FALSE(session->Login(closed.Url(), 5, error));
    EXPECT_EQ(error, "connection refused");
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(4)) << "a refusal must not wait for the time-out";
}

TEST(LibIscsiSessionTest, ASilentTargetTimesOutAtTheDeadline) {
    LoopbackSocket silent(true);  // the kernel completes the handshake; nobody ever answers
    auto session = CreateLibIscsiSession();
    std::string error;
    auto start = Clock::now();
    EXPECT_FALSE(session->Login(silent.Url(), 1, error));
    auto took = Clock::now() - start;
    EXPECT_NE(error.find("no answer within 1 second"), std::string::npos) << error;
    EXPECT_GE(took, std::chrono::milliseconds(900));
    EXPECT_LT(took, std::chrono::seconds(4));
}

TEST(LibIscsiSessionTest, ATargetThatHangsUpFailsTheLoginWithoutKillingTheProgram) {
    LoopbackSocket rude(true);
    std::thread hangUp([&] {
        int c = accept(rude.fd, nullptr, nullptr);
        if (c >= 0) close(c);
    });
    auto session = CreateLibIscsiSession();
    std::string error;
    EXPECT_FALSE(session->Login(rude.Url(), 5, error));
    hangUp.join();
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(error.find("no answer"), std::string::npos) << "a hang-up is not a time-out: " << error;
}

TEST(LibIscsiSessionTest, ASessionThatNeverLoggedInSendsNothing) {
    auto session = CreateLibIscsiSession();
    uint8_t cdb[6] = {0x00};
    IscsiCommand c{cdb, sizeof cdb, IscsiDirection::None, nullptr, 0, 1};
    IscsiReply r = session->Execute(c);
    EXPECT_EQ(r.outcome, IscsiOutcome::TransportFailure);
    EXPECT_FALSE(r.error.empty());
}

}  // namespace
