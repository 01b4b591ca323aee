// What the system receives for a command over SPTI and over ASPI, and how each kind of answer
// becomes the command's result.
#include <gtest/gtest.h>

#include "support/ScriptedBay.h"

namespace {

const ScsiPassThroughDirect& Received(ScriptedBay& bay) {
    return *reinterpret_cast<const ScsiPassThroughDirect*>(bay.system.lastPassThrough);
}

TEST(Spti, DataInCommandCarriesTheDataBufferAndTheDefaultTimeout) {
    ScriptedBay bay;
    bay.drive->Expect("12", ScriptedReply::Good(InquiryData()));
    ASSERT_TRUE(bay.device->Inquiry(0, 0, 0, 96, 0));
    const ScsiPassThroughDirect& p = Received(bay);
    EXPECT_EQ(p.Length, sizeof(ScsiPassThroughDirect));
    EXPECT_EQ(p.PathId, 1);  // the port number of the selected drive
    EXPECT_EQ(p.TargetId, 0);
    EXPECT_EQ(p.Lun, 0);
    EXPECT_EQ(p.CdbLength, 12);
    EXPECT_EQ(p.SenseInfoLength, 18);
    EXPECT_EQ(p.SenseInfoOffset, offsetof(PassThroughBlock, sense));
    EXPECT_EQ(p.TimeOutValue, 60u);
    EXPECT_EQ(p.DataIn, kScsiIoctlDataIn);
    EXPECT_EQ(p.DataTransferLength, 96u);
    EXPECT_EQ(p.DataBuffer, bay.device->GetDataBuffer());
    EXPECT_EQ(std::memcmp(bay.device->GetDataBuffer() + 8, "NULLBURN", 8), 0);
    EXPECT_EQ(bay.device->lastCommand.result, kResultSuccess);
}

TEST(Spti, NoDataCommandGoesOutWithoutBuffer) {
    ScriptedBay bay;
    ASSERT_TRUE(bay.device->TestUnitReady());
    const ScsiPassThroughDirect& p = Received(bay);
    EXPECT_EQ(p.DataIn, kScsiIoctlDataUnspecified);
    EXPECT_EQ(p.DataTransferLength, 0u);
    EXPECT_EQ(p.DataBuffer, nullptr);
}

TEST(Spti, Wow64WorkAroundSendsNoDataCommandsAsSmallDataIn) {
    EmulatedSystemConfig config;
    config.wow64 = true;
    ScriptedBay bay(config);
    // The scripted drive keeps the lock state still, so the scan's probe decided for the fix.
    uint8_t marker = 0xA5;
    bay.device->GetDataBuffer()[0] = marker;
    for (auto send : {+[](AtapiDevice& d) { return d.TestUnitReady(); },
                      +[](AtapiDevice& d) { return d.ExecuteCdb((const uint8_t[12]){0x2B}, kDirIn, 0); }}) {
        ASSERT_TRUE(send(*bay.device));
        const ScsiPassThroughDirect& p = Received(bay);
        EXPECT_EQ(p.DataIn, kScsiIoctlDataIn);
        EXPECT_EQ(p.DataTransferLength, 16u);
        EXPECT_NE(p.DataBuffer, nullptr);
        EXPECT_NE(p.DataBuffer, bay.device->GetDataBuffer());
    }
    EXPECT_EQ(bay.device->GetDataBuffer()[0], marker);
}

TEST(Spti, OutcomesBecomeResultAndSense) {
    struct Case {
        const char* name;
        ScriptedReply reply;
        bool ok;
        uint8_t result, key, asc, ascq;
    } cases[] = {
        {"good", ScriptedReply::Good(), true, 1, 0, 0, 0},
        {"check condition", ScriptedReply::Check(2, 0x04, 0x01), false, 2, 2, 0x04, 0x01},
        {"check without sense", ScriptedReply::CheckWithoutSense(), false, 2, 0, 0, 0},
        {"busy", ScriptedReply::Busy(), false, 0, 0, 0, 0},
        {"transport failure", ScriptedReply::TransportFailure(), false, 0, 0, 0, 0},
        {"time-out", ScriptedReply::Timeout(), false, 0, 0, 0, 0},
    };
    for (auto& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedBay bay;
        bay.drive->Expect("00", ScriptedReply::Check(3, 0x11, 0));  // leaves sense behind first
        bay.device->TestUnitReady();
        bay.drive->Expect("00", c.reply);
        EXPECT_EQ(bay.device->TestUnitReady(), c.ok);
        EXPECT_EQ(bay.drive->received.size(), 2u);  // SPTI never repeats
        const CommandRecord& r = bay.device->lastCommand;
        EXPECT_EQ(r.result, c.result);
        EXPECT_EQ(r.senseKey, c.key);
        EXPECT_EQ(r.asc, c.asc);
        EXPECT_EQ(r.ascq, c.ascq);
    }
}

TEST(Spti, ShortOrFailedReplyNeverShowsStaleData) {
    ScriptedBay bay;
    bay.drive->Expect("12", ScriptedReply::Good(InquiryData()));
    ASSERT_TRUE(bay.device->Inquiry(0, 0, 0, 96, 0));
    bay.drive->Expect("12", ScriptedReply::Good({0x05, 0x00}));  // a two-byte answer
    ASSERT_TRUE(bay.device->Inquiry(0, 0, 0, 96, 0));
    EXPECT_EQ(bay.device->LastTransferred(), 2u);
    EXPECT_EQ(bay.device->GetDataBuffer()[8], 0);
    bay.drive->Expect("12", ScriptedReply::Check(5, 0x24, 0));
    EXPECT_FALSE(bay.device->Inquiry(0, 0, 0, 96, 0));
    EXPECT_EQ(bay.device->GetDataBuffer()[0], 0);
}

TEST(Spti, TransferLongerThanTheBufferIsRefusedWithoutSending) {
    ScriptedBay bay;
    uint8_t cdb[12] = {0x28};
    EXPECT_FALSE(bay.device->ExecuteCdb(cdb, kDirIn, kDataBufferSize + 1));
    EXPECT_TRUE(bay.drive->received.empty());
    EXPECT_EQ(bay.device->lastCommand.result, kResultFailed);
}

TEST(Spti, FailedSelectionLeavesNoHandleAndCommandsFail) {
    ScriptedBay bay;
    bay.system.Drives()[0].openFails = true;
    EXPECT_FALSE(bay.device->SelectDrive(0));
    EXPECT_FALSE(bay.device->TestUnitReady());
    EXPECT_EQ(bay.device->lastCommand.result, kResultFailed);
    EXPECT_TRUE(bay.drive->received.empty());
}

TEST(Spti, TimeoutValueIsWholeSeconds) {
    ScriptedBay bay;
    bay.device->SetCommandTimeout(2.5f);
    bay.device->TestUnitReady();
    EXPECT_EQ(Received(bay).TimeOutValue, 2u);
}

TEST(Sense, IsSenseComparesOnlyWhatIsGiven) {
    ScriptedBay bay;
    bay.drive->Expect("00", ScriptedReply::Check(2, 0x04, 0x01));
    bay.device->TestUnitReady();
    EXPECT_TRUE(bay.device->IsSense(2));
    EXPECT_TRUE(bay.device->IsSense(2, 0x04));
    EXPECT_TRUE(bay.device->IsSense(2, 0x04, 0x01));
    EXPECT_FALSE(bay.device->IsSense(2, 0x04, 0x00));
    EXPECT_FALSE(bay.device->IsSense(6));
}

TEST(BigEndianReaders, ReadFromTheDataBuffer) {
    ScriptedBay bay;
    uint8_t* b = bay.device->GetDataBuffer();
    const uint8_t bytes[] = {0x01, 0x02, 0x03, 0x04, 0xFF, 0xFF, 0xFF, 0xFF};
    std::memcpy(b + 100, bytes, sizeof bytes);
    EXPECT_EQ(bay.device->ReadBe16(100), 0x0102);
    EXPECT_EQ(bay.device->ReadBe24(100), 0x010203u);
    EXPECT_EQ(bay.device->ReadBe32(100), 0x01020304u);
    EXPECT_EQ(bay.device->ReadBe32(104), 0xFFFFFFFFu);
}

// The older family: every command goes through the ASPI manager.
EmulatedSystemConfig OlderFamily() {
    EmulatedSystemConfig c;
    c.platformId = kPlatformWin32Windows;
    return c;
}

const SrbExecScsiCmd& ReceivedSrb(ScriptedBay& bay) {
    return *reinterpret_cast<const SrbExecScsiCmd*>(bay.system.lastExecSrb);
}

TEST(Aspi, ExecuteRequestCarriesAddressDirectionAndCdb) {
    ScriptedBay bay(OlderFamily(), true);
    ASSERT_EQ(bay.device->GetDriveCount(), 1);
    bay.drive->Expect("25", ScriptedReply::Good({0, 0, 0x10, 0, 0, 0, 8, 0}));
    ASSERT_TRUE(bay.device->ReadCapacity());
    const SrbExecScsiCmd& s = ReceivedSrb(bay);
    EXPECT_EQ(s.SRB_Cmd, kScExecScsiCmd);
    EXPECT_EQ(s.SRB_HaId, 1);
    EXPECT_EQ(s.SRB_Target, 0);
    EXPECT_EQ(s.SRB_Flags, kSrbDirIn | kSrbEventNotify);
    EXPECT_EQ(s.SRB_BufLen, 8u);
    EXPECT_EQ(s.SRB_SenseLen, 14);
    EXPECT_EQ(s.SRB_CDBLen, 12);
    EXPECT_EQ(s.CDBByte[0], 0x25);
    EXPECT_EQ(bay.device->ReadBe32(0), 0x1000u);
    EXPECT_EQ(bay.system.lastAspiTimeout, 60u);  // seconds, written unchanged
}

TEST(Aspi, RepeatsCheckWithoutSenseAndBusyFiveTimes) {
    struct Case {
        const char* name;
        ScriptedReply reply;
        int64_t pauseMicros;
        uint8_t result;
    } cases[] = {
        {"check without sense", ScriptedReply::CheckWithoutSense(), 10'000, 2},
        {"busy", ScriptedReply::Busy(), 1'000'000, 0},
    };
    for (auto& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedBay bay(OlderFamily(), true);
        bay.drive->SetDefault(c.reply);
        uint32_t sleepsBefore = bay.system.sleepCount;
        EXPECT_FALSE(bay.device->TestUnitReady());
        ASSERT_EQ(bay.drive->received.size(), 6u);
        EXPECT_EQ(bay.system.sleepCount - sleepsBefore, 5u);
        for (int i = 1; i < 6; i++)
            EXPECT_GE(bay.drive->received[i].atMicros - bay.drive->received[i - 1].atMicros, c.pauseMicros);
        EXPECT_EQ(bay.device->lastCommand.result, c.result);
    }
}

TEST(Aspi, SecondAnswerEndsTheRepetitions) {
    ScriptedBay bay(OlderFamily(), true);
    bay.drive->Expect("00", ScriptedReply::Busy());
    bay.drive->Expect("00", ScriptedReply::CheckWithoutSense());
    bay.drive->Expect("00", ScriptedReply::Check(2, 0x3A, 0));
    EXPECT_FALSE(bay.device->TestUnitReady());
    EXPECT_EQ(bay.drive->received.size(), 3u);
    EXPECT_TRUE(bay.device->IsSense(2, 0x3A, 0));
}

TEST(Aspi, NoAddressSendsNothingAndKeepsTheLastRecord) {
    ScriptedBay bay(OlderFamily(), true);
    bay.drive->Expect("00", ScriptedReply::Check(6, 0x28, 0));
    bay.device->TestUnitReady();
    bay.device->SetTarget(kInvalidHandle, -1, -1, -1, -1);
    uint32_t before = bay.system.aspiExecCount;
    EXPECT_FALSE(bay.device->TestUnitReady());
    EXPECT_EQ(bay.system.aspiExecCount, before);
    EXPECT_TRUE(bay.device->IsSense(6, 0x28, 0));
    EXPECT_EQ(bay.device->lastCommand.result, kResultCheckCondition);
}

TEST(Aspi, UnboundManagerIsNeverCalled) {
    EmulatedSystemConfig config = OlderFamily();
    config.aspi = AspiManagerState::NoSendCommandEntry;
    EmulatedSystem system(config);
    auto drive = std::make_shared<ScriptedDrive>();
    system.AddDrive({"", 0, 0, 0, 0, false, false, false, drive});
    AtapiDevice device(system);
    EXPECT_EQ(device.GetDriveCount(), 0);
    device.SetTarget(kInvalidHandle, 0, 0, 0, 0);
    EXPECT_FALSE(device.TestUnitReady());
    device.SetCommandTimeout(30);
    EXPECT_EQ(system.aspiExecCount, 0u);
    EXPECT_EQ(system.aspiTimeoutRequests, 0u);
    EXPECT_TRUE(drive->received.empty());
}

TEST(Aspi, RequestThatNeverCompletesIsAbortedAndTheWaitIsTwiceTheTimeout) {
    ScriptedBay bay(OlderFamily(), true);
    bay.drive->Expect("00", ScriptedReply::Timeout());
    int64_t before = bay.system.GetClock().NowMicros();
    EXPECT_FALSE(bay.device->TestUnitReady());
    EXPECT_GE(bay.system.GetClock().NowMicros() - before, 120'000'000);
    EXPECT_EQ(bay.device->lastCommand.result, kResultFailed);
    // Aborted, the block is free again for the next command.
    EXPECT_TRUE(bay.device->TestUnitReady());
}

TEST(Aspi, RequestThatCannotBeAbortedKeepsItsBlockFromReuse) {
    EmulatedSystemConfig config = OlderFamily();
    config.aspiIgnoresAbort = true;
    ScriptedBay bay(config, true);
    bay.drive->Expect("00", ScriptedReply::Timeout());
    EXPECT_FALSE(bay.device->TestUnitReady());
    size_t sent = bay.drive->received.size();
    EXPECT_FALSE(bay.device->TestUnitReady());
    EXPECT_EQ(bay.drive->received.size(), sent);
    bay.device.reset();  // must not free what the manager still owns
}

TEST(Aspi, WithoutEventsThePollingPausesAndEnds) {
    EmulatedSystemConfig config = OlderFamily();
    config.eventsFail = true;
    ScriptedBay bay(config, true);
    bay.drive->Expect("00", ScriptedReply::Good());
    EXPECT_TRUE(bay.device->TestUnitReady());
    EXPECT_EQ(ReceivedSrb(bay).SRB_Flags & kSrbEventNotify, 0);
}

}  // namespace
