#include "device/HiTimer.h"

HiTimer::HiTimer(System& system) : system(system) {
    if (!system.QueryPerformanceFrequency(&frequency) || frequency <= 0) {
        noCounter = 1;
        frequency = 1000;
        lastTick = system.GetTickCount();
    }
    // Calibration: the cost of one start-and-stop cycle plus one counter read.
    startCount = ReadCounter();
    calTicks = 0;
    calStart = ReadCounter();
    calStop = ReadCounter();
    calTicks += calStop - calStart;
    calStart = 0;
    Stop();
    overhead = ticks;
    startCount = 0;
    stopCount = 0;
    ticks = 0;
}

HiTimer::~HiTimer() {
    if (IsRunning()) Stop();
}

int64_t HiTimer::ReadCounter() {
    if (noCounter) {
        // Widen the wrapping 32-bit tick count; +1 keeps a reading from ever being 0 ("not running").
        uint32_t now = system.GetTickCount();
        if (now < lastTick) tickHigh += int64_t(1) << 32;
        lastTick = now;
        return tickHigh + now + 1;
    }
    int64_t count = 0;
    system.QueryPerformanceCounter(&count);
    return count;
}

void HiTimer::Start(bool reset) {
    if (reset) Reset();
    startCount = ReadCounter();
}

void HiTimer::Stop() {
    stopCount = ReadCounter();
    ticks += stopCount - startCount - overhead;
    startCount = 0;
}

void HiTimer::Reset() {
    if (IsRunning()) Stop();
    ticks = 0;
}

double HiTimer::ElapsedSeconds() const {
    if (!IsRunning()) return double(ticks) / double(frequency);
    return double(ticks + stopCount - startCount - overhead) / double(frequency);
}

double HiTimer::RunningSeconds() {
    if (!IsRunning()) return 0.0;
    stopCount = ReadCounter();
    return double(stopCount - startCount - overhead) / double(frequency);
}

void HiTimer::WaitSeconds(double seconds) { Wait(seconds); }

void HiTimer::WaitMilliseconds(double milliseconds) { Wait(milliseconds / 1000.0); }

void HiTimer::Wait(double seconds) {
    Start(true);
    if (seconds > 0) {
        for (double now = RunningSeconds(); now < seconds; now = RunningSeconds()) {
            system.ProcessMessages();
            double remaining = seconds - RunningSeconds();
            // Block until a message arrives or the time is up instead of polling the counter.
            if (remaining > 0) system.WaitForMessage(uint32_t(remaining * 1000.0) + 1);
        }
    }
    Stop();
}
