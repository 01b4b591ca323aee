// DVD-R, DVD+R and their two-layer kinds, addressed by physical sector number.
#include "app/FrmMain.h"

namespace {
constexpr uint32_t kTrackHeadSectors = 2256;
constexpr uint32_t kDataAreaStart = 0x30000;
constexpr uint32_t kLeadInStart = 0x20000;
constexpr uint32_t kLeadInSectors = 0x10000;
// A region on layer 1 of DVD-R DL discs, in the complemented numbering of that layer.
constexpr uint32_t kLayer1RegionStart = 0xFFFDA5E0;
constexpr uint32_t kLayer1RegionSectors = 3008;
constexpr MediaCode kDvdMinusRDl = 21;
}  // namespace

bool TfrmMain::NeedsLayer1Region(MediaCode m, int layers) {
    // When the disc is not told the same again, or a DVD-R DL's layers cannot be counted,
    // nobody knows whether the layer-1 region needed erasing: the run cannot be called complete.
    bool known = m == requestMedia && (m != kDvdMinusRDl || layers > 0);
    if (!known) runIncomplete = true;
    return layers > 1 && m == kDvdMinusRDl;
}

int TfrmMain::GetLayerCount() {
    const uint8_t* b = device->GetDataBuffer();
    if (device->VendorMode()) return device->ModeSense10(0, 0, 0x3C, 128, 0) ? b[25] >> 6 : 0;
    if (device->ReadDiscStructure(0, 0, 0x00, 36, 0, 0, 0)) return ((b[6] & 0x60) >> 5) + 1;
    if (device->ReadDiscStructure(0, 0, 0x00, 36, 0, 0, 1)) return (b[16] >> 4) & 3;
    return 0;
}

bool TfrmMain::QuickEraseDvd() {
    device->TestUnitReady();
    if (!device->ReadDiscInformation(256, 0)) return false;
    const uint8_t* b = device->GetDataBuffer();
    int tracks = b[11] * 256 + b[6];
    if (!device->ReadDiscStructure(0, 0, 0x00, 2052, 0, 0, 0)) return false;
    uint32_t dataStart = device->ReadBe24(9);
    uint32_t layer0End = device->ReadBe24(17);
    ShowStatus(" Erasing ...");
    MediaCode m = device->IdentifyMedia(0);
    view.SetProgressMax((tracks + 1) * 100);
    if (GetLayerCount() > 1 && m == kDvdMinusRDl) view.SetProgressMax((tracks + 2) * 100);
    Progress(0);
    for (int i = 1; i <= tracks; i++) {
        uint32_t start;
        if (ReadTrackStart(i, &start))
            EraseStep(EraseCommand::Lba(LbaToPsn(2, dataStart, start, layer0End), kTrackHeadSectors), (i - 1) * 100);
        else Progress(i * 100);
    }
    Progress(tracks * 100);
    EraseStep(EraseCommand::Lba(kLeadInStart, kLeadInSectors), tracks * 100);
    if (NeedsLayer1Region(m, GetLayerCount()))
        EraseStep(EraseCommand::Lba(kLayer1RegionStart, kLayer1RegionSectors), tracks * 100 + 100);
    return FinishErase();
}

bool TfrmMain::FullEraseDvd() {
    device->WaitUntilReady(60, 300);
    int last = GetLastTrackNumber();
    if (!device->ReadTrackInformation(1, uint32_t(last), 4096, 0)) return false;
    uint32_t recordedEnd = GetRecordedEnd();
    MediaCode m = device->IdentifyMedia(0);
    view.SetProgressMax(200);
    if (GetLayerCount() > 1 && m == kDvdMinusRDl) view.SetProgressMax(300);
    Progress(0);
    ShowStatus(" Erasing ...");
    EraseStep(EraseCommand::Lba(kDataAreaStart, recordedEnd), 0);
    EraseStep(EraseCommand::Lba(kLeadInStart, kLeadInSectors), 100);
    if (NeedsLayer1Region(m, GetLayerCount()))
        EraseStep(EraseCommand::Lba(kLayer1RegionStart, kLayer1RegionSectors), 200);
    return FinishErase();
}
