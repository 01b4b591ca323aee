// A stopwatch on the performance counter, with waits that keep the window responsive.
#pragma once

#include <cstdint>

#include "platform/System.h"

class HiTimer {
public:
    explicit HiTimer(System& system);
    ~HiTimer();
    HiTimer(const HiTimer&) = delete;
    HiTimer& operator=(const HiTimer&) = delete;

    void Start(bool reset);
    void Stop();
    void Reset();
    double ElapsedSeconds() const;
    double RunningSeconds();
    void WaitSeconds(double seconds);
    void WaitMilliseconds(double milliseconds);

    bool IsRunning() const { return startCount != 0; }
    int64_t Overhead() const { return overhead; }
    int64_t Frequency() const { return frequency; }
    bool NoCounter() const { return noCounter != 0; }

private:
    int64_t ReadCounter();
    void Wait(double seconds);

    System& system;
    int64_t calStart = 0;
    int64_t calStop = 0;
    int64_t calTicks = 0;
    int64_t frequency = 0;
    int64_t startCount = 0;
    int64_t stopCount = 0;
    int64_t ticks = 0;
    int64_t overhead = 0;
    uint8_t noCounter = 0;
    // Without a performance counter the stopwatch runs on the millisecond tick count instead,
    // so that its waits and time limits still end.
    uint32_t lastTick = 0;
    int64_t tickHigh = 0;
};
