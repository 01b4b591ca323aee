// A drive that answers from a script: a queue of expected commands with their replies. Enough
// to pin down exactly what the program sends and how it reads each kind of answer.
#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "platform/emulated/DriveModel.h"

struct ScriptedReply {
    ScsiAnswer answer;
    std::vector<uint8_t> data;  // returned for a data-in command, cut to its allocation length
    int64_t takesMicros = 0;    // emulated time the command takes

    static ScriptedReply Good(std::vector<uint8_t> data = {});
    static ScriptedReply Check(uint8_t key, uint8_t asc, uint8_t ascq);
    static ScriptedReply CheckWithoutSense();
    static ScriptedReply Busy();
    static ScriptedReply TransportFailure();
    static ScriptedReply Timeout();
};

struct ReceivedCommand {
    uint8_t cdb[16];
    uint8_t cdbLength;
    uint8_t direction;
    uint32_t dataLength;
    bool hadBuffer;
    int64_t atMicros;
    std::string Hex() const;  // the CDB as "00 00 ..." upper-case hex
};

class ScriptedDrive : public DriveModel {
public:
    // Queue a reply for the next command; `cdbPrefix` (hex like "DF 1A", empty for any) must
    // match the start of that command or the mismatch is recorded. `times` repeats the entry.
    void Expect(const std::string& cdbPrefix, ScriptedReply reply, int times = 1);
    // The reply once the queue is empty; GOOD with no data unless set.
    void SetDefault(ScriptedReply reply) { fallback = std::move(reply); }

    void Execute(const ScsiCommand& command, ScsiAnswer& answer, Clock& clock) override;

    std::vector<ReceivedCommand> received;
    std::vector<std::string> mismatches;
    size_t Pending() const { return queue.size(); }

private:
    struct Entry {
        std::vector<uint8_t> prefix;
        ScriptedReply reply;
    };
    std::deque<Entry> queue;
    ScriptedReply fallback = ScriptedReply::Good();
};

std::vector<uint8_t> ParseHex(const std::string& text);
