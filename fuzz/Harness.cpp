#include "fuzz/Harness.h"

#include <string>

#include "app/FrmMain.h"
#include "emulator/Scenario.h"
#include "platform/emulated/EmulatedSystem.h"
#include "tests/support/RecordingView.h"

namespace fuzz {

const std::vector<HarnessInfo>& Harnesses() {
    static const std::vector<HarnessInfo> all = {
        {Harness::Startup, "startup"},         {Harness::Classify, "classify"}, {Harness::Readiness, "readiness"},
        {Harness::IdentifyMedia, "identify_media"}, {Harness::Erase, "erase"},
    };
    return all;
}

namespace {

constexpr size_t kMaxBay = 20;  // more than the drive table holds

// A range-erase writer without a disc: it answers the start-up of the harnesses that fuzz what
// comes after it, the same way in a fuzz run as when the seed was recorded.
std::shared_ptr<emu::MmcDrive> SetupDrive() {
    emu::Scenario s;
    emu::Bay bay;
    std::string error;
    if (!emu::ParseShortScenario("range:none", s, error) || !emu::BuildBay(s, bay, error)) return nullptr;
    return bay.models[0];
}

// System flags: bit 0 the older family (ASPI), 1 a 32-bit process on 64-bit Windows, 2-4 the
// ASPI manager's state, 5 events cannot be created, 6 no performance counter, 7 no
// IsWow64Process. Per drive: port (bits 0-1), LUN (2-4), no root (5), failing address query (6),
// address of length 0 (7); then target (bits 0-3) and a failing open (4).
std::unique_ptr<EmulatedSystem> BayFromSettings(ByteReader& settings, AnswerTape& tape,
                                                const std::function<std::shared_ptr<emu::MmcDrive>(size_t)>& real) {
    const uint8_t flags = settings.Byte();
    EmulatedSystemConfig config;
    config.platformId = flags & 0x01 ? kPlatformWin32Windows : kPlatformWin32Nt;
    config.wow64 = flags & 0x02;
    config.aspi = AspiManagerState((flags >> 2) & 7);
    config.eventsFail = flags & 0x20;
    config.performanceCounter = !(flags & 0x40);
    config.hasIsWow64Process = !(flags & 0x80);
    auto system = std::make_unique<EmulatedSystem>(config);
    const size_t count = settings.Byte() % (kMaxBay + 1);
    for (size_t i = 0; i < count; i++) {
        const uint8_t a = settings.Byte(), b = settings.Byte();
        EmulatedDrive d;
        if (!(a & 0x20)) d.root = std::string(1, char('D' + i)) + ":\\";
        d.port = a & 3;
        d.lun = (a >> 2) & 7;
        d.addressQueryFails = a & 0x40;
        d.addressLengthZero = a & 0x80;
        d.target = b & 15;
        d.openFails = b & 0x10;
        d.model = std::make_shared<FuzzDrive>(tape, nullptr, real ? real(i) : nullptr);
        system->AddDrive(d);
    }
    return system;
}

void Exercise(Harness harness, ByteReader& settings, AnswerTape& tape,
              const std::function<std::shared_ptr<emu::MmcDrive>(size_t)>& real) {
    RecordingView view;
    if (harness == Harness::Startup) {
        tape.live = true;
        auto system = BayFromSettings(settings, tape, real);
        TfrmMain form(*system, view);
        form.FormCreate();
        for (int row = 0; row < view.DriveRowCount(); row++) {
            view.SetDriveItemIndex(row);
            form.cboDrivesChange();
        }
        return;
    }
    // Bit 0 picks Quick for an erase, bit 1 the older family, whose commands go through ASPI.
    const uint8_t flags = settings.Byte();
    const bool quick = flags & 0x01;
    EmulatedSystemConfig config;
    if (flags & 0x02) config.platformId = kPlatformWin32Windows;
    EmulatedSystem system(config);
    EmulatedDrive d;
    d.root = "D:\\";
    d.model = std::make_shared<FuzzDrive>(tape, SetupDrive(), real ? real(0) : nullptr);
    system.AddDrive(d);
    TfrmMain form(system, view);
    form.FormCreate();
    AtapiDevice* device = form.Device();
    if (!device || device->SelectedIndex() < 0) return;
    tape.live = true;
    switch (harness) {
        case Harness::Classify:
            AtapiDevice::DriveTypeName(device->ClassifyDrive());
            device->IsTrayOpen();
            device->ReadVendorTrayState();
            break;
        case Harness::Readiness: form.CheckDiscReady(); break;
        case Harness::IdentifyMedia: AtapiDevice::MediaName(device->IdentifyMedia(0)); break;
        case Harness::Erase: form.EraseDisc(quick); break;
        case Harness::Startup: break;
    }
}

}  // namespace

size_t RunFuzzCase(Harness harness, const uint8_t* data, size_t size) {
    ByteReader in(data, size);
    AnswerTape tape;
    tape.in = &in;
    Exercise(harness, in, tape, nullptr);
    return in.Left();
}

std::vector<uint8_t> RecordSeed(Harness harness, const std::vector<uint8_t>& settings,
                                const std::function<std::shared_ptr<emu::MmcDrive>(size_t)>& realDrive) {
    std::vector<uint8_t> out = settings;
    ByteReader in(settings.data(), settings.size());
    AnswerTape tape;
    tape.out = &out;
    Exercise(harness, in, tape, realDrive);
    return out;
}

}  // namespace fuzz
