// What the emulated system hands a drive model, and what it expects back.
//
// The emulated system decodes the pass-through and ASPI request blocks exactly as the real
// system would and reduces each command to a ScsiCommand; a model answers as a drive on the
// other end of the cable answers: a SCSI status, sense data, the bytes it returned, or a
// transport-level failure. Models know nothing of Windows structures.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

// Time as the emulated world sees it. Virtual in tests (it moves only when the program sleeps,
// waits, reads the counter or a command takes time), real time with a speed factor for demos.
class Clock {
public:
    virtual ~Clock() = default;
    virtual int64_t NowMicros() = 0;
    // Let `micros` of emulated time pass: instant on a virtual clock, a real pause otherwise.
    virtual void Advance(int64_t micros) = 0;
};

class VirtualClock : public Clock {
public:
    int64_t NowMicros() override { return now; }
    void Advance(int64_t micros) override {
        if (micros > 0) now += micros;
    }

private:
    int64_t now = 1'000'000;  // one second after boot, so that no reading is 0
};

// Real time scaled by `speed` (20 makes a 60-second erase take 3 seconds).
class ScaledRealClock : public Clock {
public:
    explicit ScaledRealClock(double speed);
    int64_t NowMicros() override;
    void Advance(int64_t micros) override;
    double Speed() const { return speed; }

private:
    double speed;
    int64_t origin;
};

struct ScsiCommand {
    uint8_t cdb[16] = {};
    uint8_t cdbLength = 0;
    uint8_t direction = 2;  // 0 data out, 1 data in, 2 none
    uint8_t* data = nullptr;
    uint32_t dataLength = 0;
    uint32_t timeoutSeconds = 0;
};

enum class ScsiOutcome {
    Completed,         // the drive answered with `status` (and sense for CHECK CONDITION)
    TransportFailure,  // the command never reached the drive, or the drive vanished
    Timeout,           // the drive did not answer before the command's time-out
};

struct ScsiAnswer {
    ScsiOutcome outcome = ScsiOutcome::Completed;
    uint8_t status = 0;  // 00h GOOD, 02h CHECK CONDITION, 08h BUSY
    uint8_t sense[18] = {};
    uint8_t senseLength = 0;   // 0: the drive returned no sense data
    uint32_t transferred = 0;  // bytes of data actually moved

    void CheckCondition(uint8_t key, uint8_t asc, uint8_t ascq) {
        outcome = ScsiOutcome::Completed;
        status = 0x02;
        for (auto& b : sense) b = 0;
        sense[0] = 0x70;
        sense[2] = key & 0x0F;
        sense[7] = 10;
        sense[12] = asc;
        sense[13] = ascq;
        senseLength = 18;
        transferred = 0;
    }
};

class DriveModel {
public:
    virtual ~DriveModel() = default;
    // Execute one command. `clock` is the emulated world's time; a model may let time pass.
    virtual void Execute(const ScsiCommand& command, ScsiAnswer& answer, Clock& clock) = 0;
};

// The first 12 bytes of a command block as upper-case hex, "DF 1A 00 ...", as tests name them.
inline std::string CdbHex(const uint8_t* cdb) {
    std::string s;
    char b[4];
    for (int i = 0; i < 12; i++) {
        std::snprintf(b, sizeof b, i ? " %02X" : "%02X", cdb[i]);
        s += b;
    }
    return s;
}
