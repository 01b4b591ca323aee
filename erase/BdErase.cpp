// BD-R and BD-R DL, addressed by physical sector number from the disc information and the
// disc definition structure.
#include "app/FrmMain.h"

namespace {
constexpr uint32_t kTrackHeadSectors = 4096;
constexpr uint32_t kInnerAreaStart = 0x20000;
constexpr uint32_t kDefaultUserStart = 0x100000;
constexpr uint32_t kDefaultLayer0End = 0xCA73FF;
constexpr uint32_t kSpareSectors = 7552;

// The disc information of a recordable BD with one or two layers.
bool Recognised(const uint8_t* b) {
    bool id = b[12] == 'B' && b[13] == 'D' && (b[14] == 'R' || b[14] == 'W');
    int layers = b[16] >> 4;
    return id && (layers == 1 || layers == 2);
}

bool ReadDiscInformationStructure(AtapiDevice& d, uint16_t length) { return d.ReadDiscStructure(0, 0, 0x00, length, 0, 0, 1); }
bool ReadDds(AtapiDevice& d) { return d.ReadDiscStructure(0, 0, 0x08, 4096, 0, 0, 1); }

struct Dds {
    uint32_t tail, head1, lastUserLsn;
};
Dds TakeDds(AtapiDevice& d) { return {32 * d.ReadBe32(48), 32 * d.ReadBe32(52), d.ReadBe32(40)}; }
}  // namespace

uint32_t TfrmMain::GetBdUserStartPsn() {
    if (ReadDiscInformationStructure(*device, 4100) && Recognised(device->GetDataBuffer()) && ReadDds(*device))
        return kDefaultUserStart + 32 * device->ReadBe32(44);
    // A default is a guess: a step placed by it cannot be called done.
    bdGeometryGuessed = true;
    return kDefaultUserStart;
}

uint32_t TfrmMain::GetBdLayer0EndPsn() {
    if (ReadDiscInformationStructure(*device, 4100) && Recognised(device->GetDataBuffer()))
        return 8 * device->ReadBe32(32) + 15;
    bdGeometryGuessed = true;
    return kDefaultLayer0End;
}

int TfrmMain::GetBdLayerCount() {
    if (!ReadDiscInformationStructure(*device, 4100)) return 0;
    return device->GetDataBuffer()[16] >> 4;
}

bool TfrmMain::QuickEraseBd() {
    device->TestUnitReady();
    if (!device->ReadDiscInformation(256, 0)) return false;
    const uint8_t* b = device->GetDataBuffer();
    int tracks = b[11] * 256 + b[6];
    bdGeometryGuessed = false;
    uint32_t userStart = GetBdUserStartPsn();
    uint32_t layer0End = GetBdLayer0EndPsn();
    if (!ReadDds(*device)) return false;
    Dds dds = TakeDds(*device);
    uint32_t layer0UserEnd = layer0End - dds.tail;
    uint32_t lastUserPsn = LbaToPsn(3, userStart, dds.lastUserLsn, layer0UserEnd);
    if (!ReadDiscInformationStructure(*device, 4096)) return false;
    uint32_t layer1ZoneStart = 8 * device->ReadBe32(140);
    ShowStatus(" Erasing ...");
    device->IdentifyMedia(0);
    view.SetProgressMax((tracks + 2) * 100);
    if (GetBdLayerCount() == 2) view.SetProgressMax((tracks + 4) * 100);
    Progress(0);
    for (int i = 1; i <= tracks; i++) {
        uint32_t start;
        if (ReadTrackStart(i, &start))
            EraseStep(EraseCommand::Lba(LbaToPsn(3, userStart, start, layer0UserEnd), kTrackHeadSectors), (i - 1) * 100);
        else Progress(i * 100);
    }
    int base = tracks * 100;
    Progress(base);
    if (GetBdLayerCount() == 1) {
        EraseStep(EraseCommand::Lba(kInnerAreaStart, GetBdUserStartPsn() - kInnerAreaStart), base);
        EraseStep(EraseCommand::Lba(lastUserPsn + 1, dds.tail + kSpareSectors), base + 100);
    } else if (GetBdLayerCount() == 2) {
        EraseStep(EraseCommand::Lba(kInnerAreaStart, GetBdUserStartPsn() - kInnerAreaStart), base);
        EraseStep(EraseCommand::Lba(layer0UserEnd + 1, dds.tail + kSpareSectors), base + 100);
        EraseStep(EraseCommand::Lba(layer1ZoneStart - kSpareSectors, dds.tail + kSpareSectors), base + 200);
        EraseStep(EraseCommand::Lba(lastUserPsn + 1, dds.head1 + 0x24000), base + 300);
    } else {
        // Without a layer count the areas outside the tracks get no step.
        runIncomplete = true;
    }
    if (bdGeometryGuessed) runIncomplete = true;
    return FinishErase();
}

bool TfrmMain::FullEraseBd() {
    device->WaitUntilReady(60, 300);
    int last = GetLastTrackNumber();
    if (!device->ReadTrackInformation(1, uint32_t(last), 4096, 0)) return false;
    GetBdUserStartPsn();
    bdGeometryGuessed = false;  // Full Erase places its step by the layer-0 end alone
    uint32_t layer0End = GetBdLayer0EndPsn();
    bool layer0EndGuessed = bdGeometryGuessed;
    if (!ReadDds(*device)) return false;
    Dds dds = TakeDds(*device);
    device->IdentifyMedia(0);
    view.SetProgressMax(100);
    Progress(0);
    ShowStatus(" Erasing ...");
    if (GetBdLayerCount() == 1) {
        EraseStep(EraseCommand::Lba(kInnerAreaStart, layer0End + 1 - kInnerAreaStart + kSpareSectors), 0);
        if (layer0EndGuessed) runIncomplete = true;
    } else if (GetBdLayerCount() == 2) {
        EraseStep(EraseCommand::Lba(kInnerAreaStart, 2 * dds.tail + dds.lastUserLsn + dds.head1 + 0x127B01), 0);
    } else {
        runIncomplete = true;
    }
    return FinishErase();
}
