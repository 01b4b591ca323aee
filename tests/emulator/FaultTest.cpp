// Faults on demand: how often a rule fires, what the answer looks like on the wire, and that a
// command answered by a fault has no effect on the drive.
#include "DriveHarness.h"

namespace emu::test {
namespace {

FaultRule Rule(int opcode, FaultAction action, int count = 1, int skip = 0) {
    FaultRule r;
    r.opcode = opcode;
    r.action = action;
    r.count = count;
    r.skip = skip;
    r.key = 0x02;
    r.asc = 0x04;
    r.ascq = 0x01;
    return r;
}

struct CountCase {
    const char* name;
    FaultRule rule;
    std::vector<const char*> answers;  // to TEST UNIT READY, one after another
};

TEST(Faults, RulesFireOnceNTimesAlwaysOrAfterSkipping) {
    const CountCase cases[] = {
        {"once", Rule(0x00, FaultAction::Sense), {"2/04h/01h", "good", "good"}},
        {"twice", Rule(0x00, FaultAction::Sense, 2), {"2/04h/01h", "2/04h/01h", "good"}},
        {"always", Rule(0x00, FaultAction::Sense, 0), {"2/04h/01h", "2/04h/01h", "2/04h/01h", "2/04h/01h"}},
        {"after two", Rule(0x00, FaultAction::Sense, 1, 2), {"good", "good", "2/04h/01h", "good"}},
        {"other opcode", Rule(0x25, FaultAction::Sense, 0), {"good", "good"}},
        {"any opcode", Rule(-1, FaultAction::Busy), {"busy", "good"}},
        {"no sense data", Rule(0x00, FaultAction::CheckWithoutSense), {"no sense data", "good"}},
        {"busy", Rule(0x00, FaultAction::Busy, 5), {"busy", "busy", "busy", "busy", "busy", "good"}},
        {"transport", Rule(0x00, FaultAction::TransportFailure), {"transport", "good"}},
        {"timeout", Rule(0x00, FaultAction::Timeout), {"timeout", "good"}},
        {"vanish", Rule(0x00, FaultAction::Vanish), {"transport", "transport", "transport"}},
    };
    for (const auto& c : cases) {
        Harness h = Harness::Of("range", "dvd+r");
        h.drive->AddFault(c.rule);
        for (size_t i = 0; i < c.answers.size(); i++) EXPECT_EQ(h.Do(TestUnitReady()), c.answers[i]) << c.name << " #" << i;
        if (c.rule.action == FaultAction::CheckWithoutSense) {
            EXPECT_EQ(h.drive->Received().front().status, 0x02);
        }
    }
}

TEST(Faults, ATimeoutLeavesTheWaitingToTheSystem) {
    Harness h = Harness::Of("range", "dvd+r");
    h.drive->AddFault(Rule(0x00, FaultAction::Timeout));
    const int64_t before = h.clock.NowMicros();
    EXPECT_EQ(h.Do(TestUnitReady()), "timeout");
    EXPECT_EQ(h.clock.NowMicros(), before);
}

TEST(Faults, AFaultedCommandHasNoEffect) {
    struct Case {
        Cdb cdb;
        bool (*unchanged)(const MmcDrive&);
    } cases[] = {
        {EraseLba(0x30000, 100), [](const MmcDrive& d) { return d.Erasures().empty(); }},
        {PreventAllow(true, false), [](const MmcDrive& d) { return !d.LockState(); }},
        {Eject(), [](const MmcDrive& d) { return !d.TrayOpen(); }},
    };
    for (const auto& c : cases) {
        Harness h = Harness::Of("range", "dvd+r");
        FaultRule r = Rule(c.cdb[0], FaultAction::Sense);
        r.key = 0x05;
        r.asc = 0x24;
        r.ascq = 0x00;
        h.drive->AddFault(r);
        EXPECT_EQ(h.Do(c.cdb), "5/24h/00h");
        EXPECT_TRUE(c.unchanged(*h.drive)) << int(c.cdb[0]);
        EXPECT_TRUE(h.drive->Received().back().faulted);
    }
}

TEST(Faults, SubcodeAndErasingNarrowTheMatch) {
    Harness h = Harness::Of("range", "dvd+r");
    FaultRule vanish = Rule(0x00, FaultAction::Vanish);
    vanish.whileErasing = true;
    vanish.skip = 2;  // the drive goes on the third poll of the erase
    h.drive->AddFault(vanish);
    FaultRule other = Rule(0xDF, FaultAction::Sense, 0);
    other.subcode = 0x1B;
    h.drive->AddFault(other);
    EXPECT_EQ(h.Do(TestUnitReady()), "good");
    ASSERT_EQ(h.Do(EraseLba(0x30000, 54000)), "good");
    h.Wait(3);
    EXPECT_EQ(h.Do(TestUnitReady()), "2/04h/07h");
    h.Wait(3);
    EXPECT_EQ(h.Do(TestUnitReady()), "2/04h/07h");
    h.Wait(3);
    EXPECT_EQ(h.Do(TestUnitReady()), "transport");
    EXPECT_TRUE(h.drive->Vanished());
    EXPECT_TRUE(h.drive->Erasures().back().aborted);
    EXPECT_EQ(h.DiscIn().ErasedCount(), 8 * 5400);  // 9 s in, less the second of setting up
}

TEST(Faults, UnknownCommandsAndTheLogOfWhatArrived) {
    Harness h = Harness::Of("plain", "dvd+r");
    EXPECT_EQ(h.Do({0xBB}), "5/20h/00h");
    EXPECT_EQ(h.Do(Probe()), "5/20h/00h");
    EXPECT_EQ(h.Ask(Inquiry(), 96), "good");
    const auto& log = h.drive->Received();
    ASSERT_EQ(log.size(), 3u);
    EXPECT_EQ(log[1].Hex(), "DF 1A FF FF FF FF 00 00 00 00 00 00");
    EXPECT_EQ((std::vector<int>{log[1].key, log[1].asc, log[1].ascq}), (std::vector<int>{5, 0x20, 0}));
    EXPECT_EQ(log[2].transferred, 96u);
    EXPECT_EQ(log[2].direction, 1);
    EXPECT_EQ(h.drive->CountReceived(0x12), 1u);
}

}  // namespace
}  // namespace emu::test
