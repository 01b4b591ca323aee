// Waiting for the drive and asking about its tray.
#include "device/AtapiDevice.h"

bool AtapiDevice::WaitUntilReady(int limitSeconds, int pollMilliseconds) {
    if (limitSeconds > 0) readinessTimer.Start(true);
    bool ready = false;
    bool timedOut = false;
    HiTimer pause(system);
    for (;;) {
        ready = TestUnitReady();
        if (!IsSense(2, 0x04) && !IsSense(6)) break;
        if (limitSeconds > 0 && readinessTimer.RunningSeconds() >= limitSeconds) {
            timedOut = true;
            break;
        }
        system.ProcessMessages();
        pause.WaitMilliseconds(pollMilliseconds);
    }
    if (limitSeconds > 0) readinessTimer.Stop();
    return !timedOut && ready;
}

bool AtapiDevice::IsTrayOpen() {
    if (vendorMode) {
        uint8_t state = ReadVendorTrayState();
        return state == 1 || state == 3;
    }
    return GetEventStatusNotification(1, 0x10, 8, 0) && (dataBuffer[5] & 0x01);
}

uint8_t AtapiDevice::ReadVendorTrayState() {
    if (!ModeSense10(0, 0, 0x3D, 32, 0)) return 127;
    return dataBuffer[10] & 0x0F;
}

bool AtapiDevice::LoadMedium() { return StartStopUnit(0, 0, 1, 1); }

bool AtapiDevice::EjectMedium() { return StartStopUnit(0, 0, 1, 0); }
