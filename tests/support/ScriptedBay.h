// A one-drive bay on the emulated system with a scripted drive, and a device object that has
// already scanned it and selected it.
#pragma once

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>

#include "device/AtapiDevice.h"
#include "platform/emulated/EmulatedSystem.h"
#include "platform/emulated/ScriptedDrive.h"

// 96 bytes of standard INQUIRY data naming the drive.
inline std::vector<uint8_t> InquiryData(const char* vendor = "NULLBURN", const char* product = "DVD-RW ND-9000  ",
                                        const char* revision = "1.00") {
    std::vector<uint8_t> d(96, 0);
    d[0] = 0x05;
    d[4] = 91;
    std::memcpy(&d[8], vendor, std::min<size_t>(8, std::strlen(vendor)));
    std::memcpy(&d[16], product, std::min<size_t>(16, std::strlen(product)));
    std::memcpy(&d[32], revision, std::min<size_t>(4, std::strlen(revision)));
    return d;
}

struct ScriptedBay {
    explicit ScriptedBay(EmulatedSystemConfig config = {}, bool viaAspiOnly = false) : system(config) {
        drive = std::make_shared<ScriptedDrive>();
        EmulatedDrive d;
        if (!viaAspiOnly) d.root = "D:\\";
        d.port = 1;
        d.target = 0;
        d.model = drive;
        system.AddDrive(d);
        drive->Expect("12", ScriptedReply::Good(InquiryData()));
        device = std::make_unique<AtapiDevice>(system);
        device->SelectDrive(0);
        drive->received.clear();
        drive->mismatches.clear();
    }
    EmulatedSystem system;
    std::shared_ptr<ScriptedDrive> drive;
    std::unique_ptr<AtapiDevice> device;
};
