// The iSCSI system on a stand-in session: URLs, the one drive, opening it, and the decoding of
// the pass-through block into a command and of the reply back into the block.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <vector>

#include "platform/ScsiStructures.h"
#include "platform/iscsi/IscsiSystem.h"

namespace {

// What the stand-in saw of one command; the data pointer is kept so the test can check it.
struct SeenCommand {
    std::vector<uint8_t> cdb;
    IscsiDirection direction;
    uint8_t* data;
    uint32_t dataLength;
    uint32_t timeoutSeconds;
};

struct Script {
    bool loginOk = true;
    std::string loginError = "connection refused";
    uint8_t inquiry0 = 0x05;  // peripheral qualifier 0, MMC device
    IscsiOutcome inquiryOutcome = IscsiOutcome::Completed;
    uint8_t inquiryStatus = kScsiStatusGood;
    std::function<IscsiReply(const IscsiCommand&)> answer = [](const IscsiCommand& c) {
        IscsiReply r;
        r.outcome = IscsiOutcome::Completed;
        r.transferred = c.dataLength;
        return r;
    };
    int failInquiries = 0;          // so many next checks fail as on a dropped connection
    std::vector<SeenCommand> seen;  // every command but the system's own 6-byte INQUIRY
    int logins = 0;
    int inquiries = 0;
    int sessionsAlive = 0;
};

class FakeSession : public IscsiSession {
public:
    explicit FakeSession(Script& s) : s(s) { s.sessionsAlive++; }
    ~FakeSession() override { s.sessionsAlive--; }
    bool Login(const IscsiUrl& url, uint32_t timeoutSeconds, std::string& error) override {
        s.logins++;
        if (!s.loginOk) error = s.loginError;
        return s.loginOk;
    }
    IscsiReply Execute(const IscsiCommand& c) override {
        if (c.cdb[0] == 0x12 && c.cdbLength == 6) {
            s.inquiries++;
            IscsiReply r;
            r.outcome = s.inquiryOutcome;
            if (s.failInquiries > 0) {
                s.failInquiries--;
                r.outcome = IscsiOutcome::TransportFailure;
            }
            r.status = s.inquiryStatus;
            r.error = "connection reset by the target";
            if (r.outcome == IscsiOutcome::Completed && r.status == kScsiStatusGood) {
                std::memset(c.data, 0, c.dataLength);
                c.data[0] = s.inquiry0;
                r.transferred = c.dataLength;
            }
            return r;
        }
        s.seen.push_back({std::vector<uint8_t>(c.cdb, c.cdb + c.cdbLength), c.direction, c.data, c.dataLength,
                          c.timeoutSeconds});
        return s.answer(c);
    }

private:
    Script& s;
};

IscsiUrl TestUrl() {
    IscsiUrl url;
    std::string error;
    EXPECT_TRUE(ParseIscsiUrl("iscsi://127.0.0.1:3261/iqn.2026-01.test%3Acd/1", url, error)) << error;
    return url;
}

struct Fixture {
    Script script;
    IscsiSystem system{TestUrl(), [this] { return std::make_unique<FakeSession>(script); }};
};

// A pass-through block as the device object fills it: 60 s, 18 bytes of sense behind the
// structure, 12-byte CDB.
struct Block {
    PassThroughBlock b{};
    uint8_t data[64] = {};
    Block(uint8_t opcode, uint8_t dataIn, uint32_t length) {
        b.sptd.Length = sizeof(ScsiPassThroughDirect);
        b.sptd.CdbLength = 12;
        b.sptd.SenseInfoLength = 18;
        b.sptd.SenseInfoOffset = offsetof(PassThroughBlock, sense);
        b.sptd.TimeOutValue = 60;
        b.sptd.Cdb[0] = opcode;
        b.sptd.Cdb[11] = 0x5A;
        b.sptd.DataIn = dataIn;
        b.sptd.DataTransferLength = length;
        b.sptd.DataBuffer = length ? data : nullptr;
    }
};

bool Send(IscsiSystem& system, SysHandle h, Block& block, uint32_t size = sizeof(PassThroughBlock)) {
    uint32_t returned = 0;
    return system.DeviceIoControl(h, kIoctlScsiPassThroughDirect, &block.b, size, &block.b, size, &returned);
}

TEST(IscsiUrlTest, ParsesEveryPartOfAUrl) {
    struct Case {
        const char* text;
        const char* host;
        uint16_t port;
        const char* target;
        int lun;
        const char* user;
        const char* password;
        const char* portal;
    } cases[] = {
        {"iscsi://127.0.0.1/iqn.2026-01.org.example:cd/1", "127.0.0.1", 3260, "iqn.2026-01.org.example:cd", 1, "", "", "127.0.0.1:3260"},
        {"iscsi://127.0.0.1:3261/iqn.x/0", "127.0.0.1", 3261, "iqn.x", 0, "", "", "127.0.0.1:3261"},
        {"iscsi://host.example/iqn.2026-01.test%3Acd/255", "host.example", 3260, "iqn.2026-01.test:cd", 255, "", "", "host.example:3260"},
        {"iscsi://[::1]:4000/iqn.x/7", "::1", 4000, "iqn.x", 7, "", "", "[::1]:4000"},
        {"iscsi://[fe80::1]/iqn.x/2", "fe80::1", 3260, "iqn.x", 2, "", "", "[fe80::1]:3260"},
        {"iscsi://alice%secret@10.0.0.1:3260/iqn.x/3", "10.0.0.1", 3260, "iqn.x", 3, "alice", "secret", "10.0.0.1:3260"},
        {"iscsi://bob@h/iqn.x/4", "h", 3260, "iqn.x", 4, "bob", "", "h:3260"},
    };
    for (const Case& c : cases) {
        IscsiUrl url;
        std::string error;
        ASSERT_TRUE(ParseIscsiUrl(c.text, url, error)) << c.text << ": " << error;
        EXPECT_EQ(url.host, c.host) << c.text;
        EXPECT_EQ(url.port, c.port) << c.text;
        EXPECT_EQ(url.target, c.target) << c.text;
        EXPECT_EQ(url.lun, c.lun) << c.text;
        EXPECT_EQ(url.user, c.user) << c.text;
        EXPECT_EQ(url.password, c.password) << c.text;
        EXPECT_EQ(url.Portal(), c.portal) << c.text;
    }
}

TEST(IscsiUrlTest, RejectsMalformedUrlsSayingWhatIsWrong) {
    struct Case {
        const char* text;
        const char* says;
    } cases[] = {
        {"http://127.0.0.1/iqn.x/1", "not an iSCSI URL"},
        {"127.0.0.1/iqn.x/1", "not an iSCSI URL"},
        {"iscsi://127.0.0.1", "names no target"},
        {"iscsi:///iqn.x/1", "names no host"},
        {"iscsi://127.0.0.1/iqn.x", "names no LUN"},
        {"iscsi://127.0.0.1//1", "names no target"},
        {"iscsi://127.0.0.1/iqn.x/", "bad LUN"},
        {"iscsi://127.0.0.1/iqn.x/256", "bad LUN"},
        {"iscsi://127.0.0.1/iqn.x/-1", "bad LUN"},
        {"iscsi://127.0.0.1/iqn.x/1a", "bad LUN"},
        {"iscsi://127.0.0.1:0/iqn.x/1", "bad port"},
        {"iscsi://127.0.0.1:65536/iqn.x/1", "bad port"},
        {"iscsi://127.0.0.1:32a/iqn.x/1", "bad port"},
        {"iscsi://127.0.0.1:/iqn.x/1", "bad port"},
        {"iscsi://[::1/iqn.x/1", "unclosed ["},
        {"iscsi://[::1]x/iqn.x/1", "text after its host"},
        {"iscsi://127.0.0.1/iqn.x%3/1", "bad target"},
        {"iscsi://127.0.0.1/iqn.x%zz/1", "bad target"},
        {"iscsi://127.0.0.1/a/b/1", "bad target"},
        {"iscsi://%pw@127.0.0.1/iqn.x/1", "empty user"},
    };
    for (const Case& c : cases) {
        IscsiUrl url;
        std::string error;
        EXPECT_FALSE(ParseIscsiUrl(c.text, url, error)) << c.text;
        EXPECT_NE(error.find(c.says), std::string::npos) << c.text << " gave: " << error;
        EXPECT_NE(error.find("iscsi://HOST[:PORT]/TARGET-IQN/LUN"), std::string::npos) << c.text;
    }
    std::string error;
    EXPECT_EQ(CreateIscsiSystem("iscsi://127.0.0.1/iqn.x", error), nullptr);
    EXPECT_NE(error.find("LUN"), std::string::npos);
}

TEST(IscsiSystemTest, ListsOneDriveUnderAShortStableName) {
    Fixture f;
    char list[16];
    std::memset(list, 'x', sizeof list);
    uint32_t n = f.system.GetLogicalDriveStringsA(sizeof list, list);
    EXPECT_EQ(std::string(list, n + 1), std::string("iscsi\0\0", 7));
    EXPECT_EQ(f.system.GetLogicalDriveStringsA(0, nullptr), 7u);
    EXPECT_EQ(f.system.GetLogicalDriveStringsA(6, list), 7u);  // too small: the size needed
    EXPECT_EQ(f.system.GetDriveTypeA("iscsi"), kDriveCdrom);
    EXPECT_NE(f.system.GetDriveTypeA("/dev/sr0"), kDriveCdrom);
    EXPECT_EQ(f.system.DisplayRoot("iscsi"), "iscsi");
    char path[64];
    f.system.DevicePathOfRoot("iscsi", path, sizeof path);
    EXPECT_STREQ(path, "iscsi");
    EXPECT_EQ(f.script.logins, 0) << "listing must not connect";
    EXPECT_EQ(f.system.AccessProblem(), "");
}

TEST(IscsiSystemTest, OpensOnlyAnExistingOpticalUnitAndSaysWhyNot) {
    struct Case {
        const char* name;
        bool loginOk;
        IscsiOutcome inquiryOutcome;
        uint8_t inquiryStatus;
        uint8_t inquiry0;
        bool opens;
        std::vector<const char*> says;
    } cases[] = {
        {"optical unit", true, IscsiOutcome::Completed, 0, 0x05, true, {}},
        {"refused", false, IscsiOutcome::Completed, 0, 0x05, false,
         {"Cannot connect to iSCSI target 127.0.0.1:3261", "iqn.2026-01.test:cd", "LUN 1", "connection refused"}},
        {"no such unit", true, IscsiOutcome::Completed, 0, 0x7F, false, {"has no logical unit 1"}},
        {"unit refuses INQUIRY", true, IscsiOutcome::Completed, kScsiStatusCheckCondition, 0x05, false, {"has no logical unit 1"}},
        {"a disk", true, IscsiOutcome::Completed, 0, 0x00, false, {"is not an optical drive", "00h"}},
        {"a controller", true, IscsiOutcome::Completed, 0, 0x0C, false, {"is not an optical drive", "0Ch"}},
        {"silent", true, IscsiOutcome::Timeout, 0, 0x05, false, {"did not answer INQUIRY", "no answer within 10 seconds"}},
        {"dropped", true, IscsiOutcome::TransportFailure, 0, 0x05, false, {"did not answer INQUIRY", "connection reset"}},
    };
    for (const Case& c : cases) {
        Fixture f;
        f.script.loginOk = c.loginOk;
        f.script.inquiryOutcome = c.inquiryOutcome;
        f.script.inquiryStatus = c.inquiryStatus;
        f.script.inquiry0 = c.inquiry0;
        SysHandle h = f.system.CreateFileA("iscsi");
        EXPECT_EQ(h != kInvalidHandle, c.opens) << c.name;
        for (const char* s : c.says)
            EXPECT_NE(f.system.AccessProblem().find(s), std::string::npos) << c.name << ": " << f.system.AccessProblem();
        if (c.opens) {
            EXPECT_EQ(f.system.AccessProblem(), "") << c.name;
        }
        EXPECT_EQ(f.script.sessionsAlive, c.opens ? 1 : 0) << c.name << ": a failed open keeps no session";
        if (c.opens) {
            EXPECT_TRUE(f.system.CloseHandle(h));
            EXPECT_FALSE(f.system.CloseHandle(h)) << c.name;
        }
    }
    Fixture f;
    EXPECT_EQ(f.system.CreateFileA("/dev/sr0"), kInvalidHandle);
    EXPECT_EQ(f.script.logins, 0);
}

TEST(IscsiSystemTest, ReopeningReusesTheSessionWhileItStillAnswers) {
    Fixture f;
    SysHandle first = f.system.CreateFileA("iscsi");
    ASSERT_NE(first, kInvalidHandle);
    EXPECT_TRUE(f.system.CloseHandle(first));
    EXPECT_EQ(f.script.sessionsAlive, 1) << "kept for the next open";

    SysHandle second = f.system.CreateFileA("iscsi");
    ASSERT_NE(second, kInvalidHandle);
    EXPECT_EQ(f.script.logins, 1) << "no new login";
    EXPECT_EQ(f.script.inquiries, 2) << "but the unit is checked again";
    EXPECT_TRUE(f.system.CloseHandle(second));

    // The kept session no longer answers (the target restarted): a fresh login replaces it.
    f.script.failInquiries = 1;
    SysHandle third = f.system.CreateFileA("iscsi");
    ASSERT_NE(third, kInvalidHandle);
    EXPECT_EQ(f.script.logins, 2);
    EXPECT_EQ(f.script.sessionsAlive, 1);
    EXPECT_EQ(f.system.AccessProblem(), "");

    // A unit that is gone for good is reported after the fresh login has looked too.
    EXPECT_TRUE(f.system.CloseHandle(third));
    f.script.inquiry0 = 0x7F;
    EXPECT_EQ(f.system.CreateFileA("iscsi"), kInvalidHandle);
    EXPECT_EQ(f.script.logins, 3);
    EXPECT_NE(f.system.AccessProblem().find("has no logical unit 1"), std::string::npos);
    EXPECT_EQ(f.script.sessionsAlive, 0);
}

TEST(IscsiSystemTest, AddressIsPortZeroAndTheUrlsLun) {
    Fixture f;
    SysHandle h = f.system.CreateFileA("iscsi");
    ScsiAddress a{};
    uint32_t returned = 0;
    ASSERT_TRUE(f.system.DeviceIoControl(h, kIoctlScsiGetAddress, &a, sizeof a, &a, sizeof a, &returned));
    EXPECT_EQ(returned, sizeof a);
    EXPECT_EQ(a.Length, sizeof a);
    EXPECT_EQ(a.PortNumber, 0);
    EXPECT_EQ(a.PathId, 0);
    EXPECT_EQ(a.TargetId, 0);
    EXPECT_EQ(a.Lun, 1);
    EXPECT_FALSE(f.system.DeviceIoControl(h, kIoctlScsiGetAddress, &a, sizeof a, &a, sizeof a - 1, &returned));
    EXPECT_FALSE(f.system.DeviceIoControl(h + 1, kIoctlScsiGetAddress, &a, sizeof a, &a, sizeof a, &returned));
    EXPECT_FALSE(f.system.DeviceIoControl(h, 0x12345678, &a, sizeof a, &a, sizeof a, &returned));
}

TEST(IscsiSystemTest, RejectsMalformedBlocksBeforeSendingAnything) {
    struct Case {
        const char* name;
        std::function<void(Block&)> spoil;
        uint32_t size;
    } cases[] = {
        {"Length too small", [](Block& b) { b.b.sptd.Length = sizeof(ScsiPassThroughDirect) - 1; }, sizeof(PassThroughBlock)},
        {"Length too large", [](Block& b) { b.b.sptd.Length = sizeof(ScsiPassThroughDirect) + 4; }, sizeof(PassThroughBlock)},
        {"no CDB", [](Block& b) { b.b.sptd.CdbLength = 0; }, sizeof(PassThroughBlock)},
        {"CDB over 16 bytes", [](Block& b) { b.b.sptd.CdbLength = 17; }, sizeof(PassThroughBlock)},
        {"unknown direction", [](Block& b) { b.b.sptd.DataIn = 3; }, sizeof(PassThroughBlock)},
        {"length without buffer", [](Block& b) { b.b.sptd.DataBuffer = nullptr; }, sizeof(PassThroughBlock)},
        {"sense past the block", [](Block& b) { b.b.sptd.SenseInfoLength = 40; }, sizeof(PassThroughBlock)},
        {"sense inside the structure", [](Block& b) { b.b.sptd.SenseInfoOffset = 4; }, sizeof(PassThroughBlock)},
        {"block smaller than the structure", [](Block&) {}, uint32_t(sizeof(ScsiPassThroughDirect) - 1)},
    };
    for (const Case& c : cases) {
        Fixture f;
        SysHandle h = f.system.CreateFileA("iscsi");
        Block block(0x12, kScsiIoctlDataIn, 36);
        c.spoil(block);
        EXPECT_FALSE(Send(f.system, h, block, c.size)) << c.name;
        EXPECT_TRUE(f.script.seen.empty()) << c.name;
    }
}

TEST(IscsiSystemTest, CarriesDirectionLengthCdbAndTimeOut) {
    struct Case {
        uint8_t dataIn;
        uint32_t length;
        uint32_t timeout;
        IscsiDirection direction;
        bool hasData;
        uint32_t expectTimeout;
    } cases[] = {
        {kScsiIoctlDataIn, 36, 60, IscsiDirection::In, true, 60},
        {kScsiIoctlDataOut, 8, 60, IscsiDirection::Out, true, 60},
        {kScsiIoctlDataUnspecified, 0, 60, IscsiDirection::None, false, 60},
        {kScsiIoctlDataIn, 0, 60, IscsiDirection::None, false, 60},  // data-in of nothing carries nothing
        {kScsiIoctlDataOut, 0, 2, IscsiDirection::None, false, 2},
        {kScsiIoctlDataUnspecified, 16, 60, IscsiDirection::In, true, 60},  // as SG_IO: a length means data in
        {kScsiIoctlDataIn, 36, 0, IscsiDirection::In, true, 60},            // no time-out named: the program's 60 s
    };
    for (const Case& c : cases) {
        Fixture f;
        SysHandle h = f.system.CreateFileA("iscsi");
        Block block(0xAD, c.dataIn, c.length);
        block.b.sptd.TimeOutValue = c.timeout;
        ASSERT_TRUE(Send(f.system, h, block)) << int(c.dataIn) << "/" << c.length;
        ASSERT_EQ(f.script.seen.size(), 1u);
        const SeenCommand& s = f.script.seen[0];
        EXPECT_EQ(s.direction, c.direction) << int(c.dataIn) << "/" << c.length;
        EXPECT_EQ(s.data, c.hasData ? block.data : nullptr) << int(c.dataIn) << "/" << c.length;
        EXPECT_EQ(s.dataLength, c.length);
        EXPECT_EQ(s.timeoutSeconds, c.expectTimeout);
        ASSERT_EQ(s.cdb.size(), 12u);
        EXPECT_EQ(s.cdb[0], 0xAD);
        EXPECT_EQ(s.cdb[11], 0x5A);
    }
}

TEST(IscsiSystemTest, ReturnsStatusSenseAndWhatMoved) {
    const uint8_t fixedSense[18] = {0x70, 0, 0x05, 0, 0, 0, 0, 10, 0, 0, 0, 0, 0x21, 0x00};
    const uint8_t descriptorSense[8] = {0x72, 0x06, 0x29, 0x01, 0, 0, 0, 0};
    const uint8_t longSense[30] = {0x70, 0, 0x02, 0, 0, 0, 0, 22, 0, 0, 0, 0, 0x04, 0x01, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x77};
    struct Case {
        const char* name;
        uint8_t status;
        const uint8_t* sense;
        uint32_t senseLength;
        uint32_t transferred;
        uint32_t requested;
        uint8_t expectSenseInfoLength;
        uint8_t key, asc, ascq;
        uint32_t expectTransferred;
    } cases[] = {
        {"good, everything moved", kScsiStatusGood, nullptr, 0, 36, 36, 0, 0, 0, 0, 36},
        {"good, short reply", kScsiStatusGood, nullptr, 0, 8, 36, 0, 0, 0, 0, 8},
        {"good, more than asked is clamped", kScsiStatusGood, nullptr, 0, 99, 36, 0, 0, 0, 0, 36},
        {"check condition, fixed sense", kScsiStatusCheckCondition, fixedSense, 18, 0, 36, 18, 5, 0x21, 0, 0},
        {"check condition, descriptor sense", kScsiStatusCheckCondition, descriptorSense, 8, 0, 0, 18, 6, 0x29, 1, 0},
        {"check condition, sense cut to the room given", kScsiStatusCheckCondition, longSense, 30, 0, 0, 18, 2, 4, 1, 0},
        {"check condition without sense", kScsiStatusCheckCondition, nullptr, 0, 0, 0, 0, 0, 0, 0, 0},
        {"busy carries no sense", kScsiStatusBusy, fixedSense, 18, 0, 0, 0, 0, 0, 0, 0},
    };
    for (const Case& c : cases) {
        Fixture f;
        f.script.answer = [&](const IscsiCommand&) {
            IscsiReply r;
            r.outcome = IscsiOutcome::Completed;
            r.status = c.status;
            if (c.sense) std::memcpy(r.sense, c.sense, c.senseLength);
            r.senseLength = c.senseLength;
            r.transferred = c.transferred;
            return r;
        };
        SysHandle h = f.system.CreateFileA("iscsi");
        Block block(0x5A, c.requested ? kScsiIoctlDataIn : kScsiIoctlDataUnspecified, c.requested);
        ASSERT_TRUE(Send(f.system, h, block)) << c.name;
        EXPECT_EQ(block.b.sptd.ScsiStatus, c.status) << c.name;
        EXPECT_EQ(block.b.sptd.SenseInfoLength, c.expectSenseInfoLength) << c.name;
        EXPECT_EQ(block.b.sense[2] & 0x0F, c.key) << c.name;
        EXPECT_EQ(block.b.sense[12], c.asc) << c.name;
        EXPECT_EQ(block.b.sense[13], c.ascq) << c.name;
        EXPECT_EQ(block.b.sense[18], 0) << c.name << ": nothing past the room given";
        EXPECT_EQ(block.b.sptd.DataTransferLength, c.expectTransferred) << c.name;
        EXPECT_EQ(f.system.AccessProblem(), "") << c.name;
    }
}

TEST(IscsiSystemTest, TransportFailuresAndTimeOutsFailUntilTheDriveIsOpenedAgain) {
    struct Case {
        IscsiOutcome outcome;
        const char* error;
        std::vector<const char*> says;
    } cases[] = {
        {IscsiOutcome::Timeout, "", {"did not answer command DCh within 60 seconds", "127.0.0.1:3261"}},
        {IscsiOutcome::TransportFailure, "connection reset by the target",
         {"connection to iSCSI target 127.0.0.1:3261", "failed during command DCh", "connection reset by the target"}},
    };
    for (const Case& c : cases) {
        Fixture f;
        f.script.answer = [&](const IscsiCommand&) {
            IscsiReply r;
            r.outcome = c.outcome;
            r.status = kScsiStatusGood;  // must not be taken for a completed command
            r.error = c.error;
            return r;
        };
        SysHandle h = f.system.CreateFileA("iscsi");
        Block block(0xDC, kScsiIoctlDataUnspecified, 0);
        EXPECT_FALSE(Send(f.system, h, block));
        for (const char* s : c.says)
            EXPECT_NE(f.system.AccessProblem().find(s), std::string::npos) << f.system.AccessProblem();
        EXPECT_EQ(f.script.sessionsAlive, 0) << "the session goes with its failure";

        Block again(0x00, kScsiIoctlDataUnspecified, 0);
        EXPECT_FALSE(Send(f.system, h, again));
        EXPECT_EQ(f.script.seen.size(), 1u) << "nothing more is sent on a failed session";

        f.script.answer = Script{}.answer;
        EXPECT_TRUE(f.system.CloseHandle(h));
        SysHandle reopened = f.system.CreateFileA("iscsi");
        ASSERT_NE(reopened, kInvalidHandle);
        EXPECT_EQ(f.system.AccessProblem(), "");
        EXPECT_TRUE(Send(f.system, reopened, again));
    }
}

}  // namespace
