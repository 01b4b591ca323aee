// Binding to the ASPI manager WNASPI32, loaded at run time on the older Windows family.
#include "device/AtapiDevice.h"

namespace {
constexpr uint8_t kAspiStatusComplete = 0x01;
constexpr uint8_t kAspiStatusOldManager = 0xE1;
constexpr uint8_t kAspiStatusRealMode = 0xE2;
constexpr uint8_t kAspiStatusNoManager = 0xE3;
}  // namespace

bool AtapiDevice::BindAspi() {
    aspiModule = system.LoadLibraryA("WNASPI32");
    if (!aspiModule) {
        system.MessageBoxA("LoadLibrary:\nWNASPI32.DLL not found.", "Error FS 002", kMbIconError);
        return false;
    }
    getAspiSupportInfo = system.GetProcAddress(aspiModule, "GetASPI32SupportInfo");
    if (!getAspiSupportInfo) {
        UnbindAspi();
        system.MessageBoxA("GetProcAddress:\nGetASPI32SupportInfo not fount.", "Error FS 003", kMbIconError);
        return false;
    }
    sendAspiCommand = system.GetProcAddress(aspiModule, "SendASPI32Command");
    if (!sendAspiCommand) {
        UnbindAspi();
        system.MessageBoxA("GetProcAddress:\npfnSendASPI32Command not found.", "Error FS 004", kMbIconError);
        return false;
    }
    uint8_t status = uint8_t(system.CallGetASPI32SupportInfo(getAspiSupportInfo) >> 8);
    if (status == kAspiStatusComplete) return true;
    const char* text = "Error initializing ASPI.";
    if (status == kAspiStatusNoManager) text = "Could not find the ASPI manager.";
    else if (status == kAspiStatusRealMode) text = "ASPI for Windows does not support real mode.";
    else if (status == kAspiStatusOldManager) text = "Old ASPI manager.";
    system.MessageBoxA(text, "GetASPISupportInfo:", kMbIconError);
    UnbindAspi();
    return false;
}

void AtapiDevice::UnbindAspi() {
    if (aspiModule) system.FreeLibrary(aspiModule);
    aspiModule = 0;
    getAspiSupportInfo = nullptr;
    sendAspiCommand = nullptr;
}

bool AtapiDevice::SendAspiRequest(void* requestBlock) {
    // Never call an entry point that was not resolved.
    if (!sendAspiCommand) return false;
    system.CallSendASPI32Command(sendAspiCommand, requestBlock);
    return true;
}

void AtapiDevice::ApplyAspiTimeouts(float seconds) {
    SrbGetSetTimeouts block{};
    block.SRB_Cmd = kScGetSetTimeouts;
    block.SRB_HaId = 0xFF;
    block.SRB_Flags = kSrbTimeoutsSet;
    block.SRB_Target = 0xFF;
    block.SRB_Lun = 0xFF;
    // The field counts half-seconds; the value sent is the number of seconds, unchanged.
    block.SRB_Timeout = uint32_t(seconds);
    SendAspiRequest(&block);
}
