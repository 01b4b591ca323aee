// A drive whose every answer comes from the fuzz input: the status, the sense bytes, the data
// bytes and the length it claims to have moved. The same drive can instead pass commands to a
// real emulated drive and write its answers down in the input's format, which is how the seed
// corpus is made.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "emulator/MmcDrive.h"
#include "platform/emulated/DriveModel.h"

namespace fuzz {

// Reads the fuzz input front to back; an exhausted input reads as zeros.
class ByteReader {
public:
    ByteReader(const uint8_t* data, size_t size) : data(data), size(size) {}
    bool Empty() const { return at >= size; }
    size_t Left() const { return size - at; }
    uint8_t Byte() { return at < size ? data[at++] : 0; }
    uint16_t U16() { return uint16_t(Byte() << 8 | Byte()); }
    uint32_t U32() { return uint32_t(U16()) << 16 | U16(); }
    // Copies up to `n` bytes to `out`, fewer when the input runs out; returns how many.
    size_t Copy(uint8_t* out, size_t n);
    void Skip(size_t n);

private:
    const uint8_t* data;
    size_t size;
    size_t at = 0;
};

// One answer as it is written in the input. The low three bits of the first byte choose it:
//   0       GOOD; then a 16-bit length and that many data bytes
//   1       CHECK CONDITION; then a sense length (mod 19) and that many sense bytes
//   2       CHECK CONDITION without sense data
//   3       BUSY
//   4       transport failure (the command never reaches the drive)
//   5       time-out
//   6       GOOD, moving no data
//   7       any status: the next byte
// Bit 6 adds a 16-bit length and data bytes to kinds 1, 2, 3, 6 and 7 (a drive that returns data
// with an error); bit 7 adds a 32-bit count that the drive claims to have moved instead of the
// bytes it gave. An exhausted input answers every command with a transport failure.
enum AnswerKind : uint8_t {
    kGood = 0,
    kSense = 1,
    kNoSense = 2,
    kBusy = 3,
    kTransport = 4,
    kTimeout = 5,
    kGoodNoData = 6,
    kOtherStatus = 7,
    kWithData = 0x40,
    kClaimsLength = 0x80,
};

void DecodeAnswer(ByteReader& in, const ScsiCommand& command, ScsiAnswer& answer);
void EncodeAnswer(const ScsiCommand& command, const ScsiAnswer& answer, std::vector<uint8_t>& out);

// Shared by every drive of one run, so that the answers are read (or written) in command order.
struct AnswerTape {
    ByteReader* in = nullptr;              // replay: answers come from the fuzz input
    std::vector<uint8_t>* out = nullptr;   // record: a real drive answers and is written down
    bool live = false;                     // until then a setup drive answers, unrecorded
};

class FuzzDrive : public DriveModel {
public:
    // `setup` answers while the tape is not live (start-up of a harness that fuzzes what comes
    // after it); `real` answers when recording.
    FuzzDrive(AnswerTape& tape, std::shared_ptr<emu::MmcDrive> setup, std::shared_ptr<emu::MmcDrive> real)
        : tape(tape), setup(std::move(setup)), real(std::move(real)) {}
    void Execute(const ScsiCommand& command, ScsiAnswer& answer, Clock& clock) override;

private:
    AnswerTape& tape;
    std::shared_ptr<emu::MmcDrive> setup, real;
};

}  // namespace fuzz
