#include "fuzz/FuzzDrive.h"

#include <algorithm>
#include <cstring>

namespace fuzz {

size_t ByteReader::Copy(uint8_t* out, size_t n) {
    n = std::min(n, Left());
    if (n) std::memcpy(out, data + at, n);
    at += n;
    return n;
}

void ByteReader::Skip(size_t n) { at += std::min(n, Left()); }

namespace {
// The drive never writes past the buffer the command brought, whatever the input says.
void ReadData(ByteReader& in, const ScsiCommand& c, ScsiAnswer& a) {
    size_t n = in.U16();
    size_t take = std::min<size_t>(n, c.direction == 1 && c.data ? c.dataLength : 0);
    a.transferred = uint32_t(in.Copy(c.data, take));
    // What the input holds beyond the buffer is dropped, as a real adapter drops an overrun.
    in.Skip(n - take);
}

void Put16(std::vector<uint8_t>& out, uint32_t v) {
    out.push_back(uint8_t(v >> 8));
    out.push_back(uint8_t(v));
}
}  // namespace

void DecodeAnswer(ByteReader& in, const ScsiCommand& c, ScsiAnswer& a) {
    a = ScsiAnswer{};
    if (in.Empty()) {
        a.outcome = ScsiOutcome::TransportFailure;
        return;
    }
    const uint8_t b = in.Byte();
    switch (b & 7) {
        case kGood: ReadData(in, c, a); break;
        case kSense: {
            a.status = 0x02;
            uint8_t n = uint8_t(in.Byte() % (sizeof a.sense + 1));
            a.senseLength = uint8_t(in.Copy(a.sense, n));
            break;
        }
        case kNoSense: a.status = 0x02; break;
        case kBusy: a.status = 0x08; break;
        case kTransport: a.outcome = ScsiOutcome::TransportFailure; return;
        case kTimeout: a.outcome = ScsiOutcome::Timeout; return;
        case kGoodNoData: break;
        case kOtherStatus: a.status = in.Byte(); break;
    }
    if ((b & 7) != kGood && (b & kWithData)) ReadData(in, c, a);
    if (b & kClaimsLength) a.transferred = in.U32();
}

void EncodeAnswer(const ScsiCommand& c, const ScsiAnswer& a, std::vector<uint8_t>& out) {
    if (a.outcome == ScsiOutcome::TransportFailure) return out.push_back(kTransport);
    if (a.outcome == ScsiOutcome::Timeout) return out.push_back(kTimeout);
    uint32_t n = c.direction == 1 && c.data ? std::min<uint32_t>({a.transferred, c.dataLength, 0xFFFF}) : 0;
    if (a.status == 0x00) {
        out.push_back(kGood);
        Put16(out, n);
        out.insert(out.end(), c.data, c.data + n);
        return;
    }
    if (a.status == 0x02 && a.senseLength > 0) {
        out.push_back(kSense);
        out.push_back(a.senseLength);
        out.insert(out.end(), a.sense, a.sense + a.senseLength);
    } else if (a.status == 0x02) {
        out.push_back(kNoSense);
    } else if (a.status == 0x08) {
        out.push_back(kBusy);
    } else {
        out.push_back(kOtherStatus);
        out.push_back(a.status);
    }
}

void FuzzDrive::Execute(const ScsiCommand& c, ScsiAnswer& a, Clock& clock) {
    if (!tape.live) {
        if (setup) setup->Execute(c, a, clock);
        else a.outcome = ScsiOutcome::TransportFailure;
        return;
    }
    if (tape.out) {
        real->Execute(c, a, clock);
        EncodeAnswer(c, a, *tape.out);
        return;
    }
    DecodeAnswer(*tape.in, c, a);
}

}  // namespace fuzz
