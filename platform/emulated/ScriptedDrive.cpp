#include "platform/emulated/ScriptedDrive.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

std::vector<uint8_t> ParseHex(const std::string& text) {
    std::vector<uint8_t> bytes;
    unsigned value = 0;
    int digits = 0;
    for (char c : text) {
        int v = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
        if (v < 0) {
            if (digits) bytes.push_back(uint8_t(value));
            value = 0;
            digits = 0;
            continue;
        }
        value = value * 16 + unsigned(v);
        if (++digits == 2) {
            bytes.push_back(uint8_t(value));
            value = 0;
            digits = 0;
        }
    }
    if (digits) bytes.push_back(uint8_t(value));
    return bytes;
}

ScriptedReply ScriptedReply::Good(std::vector<uint8_t> data) {
    ScriptedReply r;
    r.data = std::move(data);
    return r;
}

ScriptedReply ScriptedReply::Check(uint8_t key, uint8_t asc, uint8_t ascq) {
    ScriptedReply r;
    r.answer.CheckCondition(key, asc, ascq);
    return r;
}

ScriptedReply ScriptedReply::CheckWithoutSense() {
    ScriptedReply r;
    r.answer.status = 0x02;
    r.answer.senseLength = 0;
    return r;
}

ScriptedReply ScriptedReply::Busy() {
    ScriptedReply r;
    r.answer.status = 0x08;
    return r;
}

ScriptedReply ScriptedReply::TransportFailure() {
    ScriptedReply r;
    r.answer.outcome = ScsiOutcome::TransportFailure;
    return r;
}

ScriptedReply ScriptedReply::Timeout() {
    ScriptedReply r;
    r.answer.outcome = ScsiOutcome::Timeout;
    return r;
}

std::string ReceivedCommand::Hex() const { return CdbHex(cdb); }

void ScriptedDrive::Expect(const std::string& cdbPrefix, ScriptedReply reply, int times) {
    for (int i = 0; i < times; i++) queue.push_back({ParseHex(cdbPrefix), reply});
}

void ScriptedDrive::Execute(const ScsiCommand& command, ScsiAnswer& answer, Clock& clock) {
    ReceivedCommand r{};
    std::memcpy(r.cdb, command.cdb, sizeof r.cdb);
    r.cdbLength = command.cdbLength;
    r.direction = command.direction;
    r.dataLength = command.dataLength;
    r.hadBuffer = command.data != nullptr;
    r.atMicros = clock.NowMicros();
    received.push_back(r);

    ScriptedReply reply = fallback;
    if (!queue.empty()) {
        Entry entry = queue.front();
        queue.pop_front();
        if (!std::equal(entry.prefix.begin(), entry.prefix.end(), command.cdb,
                        command.cdb + std::min<size_t>(entry.prefix.size(), 16)))
            mismatches.push_back("got " + r.Hex());
        reply = entry.reply;
    }
    clock.Advance(reply.takesMicros);
    answer = reply.answer;
    answer.transferred = 0;
    if (answer.outcome == ScsiOutcome::Completed && answer.status == 0 && command.direction == 1 && command.data) {
        uint32_t n = uint32_t(std::min<size_t>(reply.data.size(), command.dataLength));
        if (n) std::memcpy(command.data, reply.data.data(), n);
        answer.transferred = n;
    }
}
