// CD-R: the first blocks of every track (Quick) or everything recorded (Full), then the
// region in front of the data, addressed as minute/second/frame.
#include "app/FrmMain.h"

namespace {
constexpr uint32_t kTrackHeadBlocks = 2256;
constexpr uint32_t kLeadInEnd = 449999;  // every lead-in step ends here
constexpr uint8_t kLeadInArea = 0xFF;
}  // namespace

// The lead-in start from the ATIP, as a block address; false when the ATIP cannot be read.
static bool ReadLeadInStart(AtapiDevice& device, uint32_t* leadIn) {
    if (!device.ReadTocPmaAtip(1, 4, 0, 0xFFFE, 0)) return false;
    const uint8_t* b = device.GetDataBuffer();
    *leadIn = TfrmMain::MsfToLba(b[8], b[9], b[10]);
    return true;
}

bool TfrmMain::QuickEraseCd() {
    device->TestUnitReady();
    if (!device->ReadDiscInformation(256, 0)) return false;
    int tracks = device->GetDataBuffer()[6];
    ShowStatus(" Erasing ...");
    view.SetProgressMax((tracks + 1) * 100);
    Progress(0);
    for (int i = 1; i <= tracks; i++) {
        uint32_t start;
        if (ReadTrackStart(i, &start)) EraseStep(EraseCommand::Msf(start, kTrackHeadBlocks, 0x00), (i - 1) * 100);
        else Progress(i * 100);
    }
    Progress(tracks * 100);
    uint32_t leadIn;
    if (!ReadLeadInStart(*device, &leadIn)) return false;
    EraseStep(EraseCommand::Msf(leadIn - 1000, kLeadInEnd - (leadIn - 1000), kLeadInArea), tracks * 100);
    return FinishErase();
}

bool TfrmMain::FullEraseCd() {
    int last = GetLastTrackNumber();
    if (!device->ReadTrackInformation(1, uint32_t(last), 4096, 0)) return false;
    uint32_t recordedEnd = GetRecordedEnd();
    ShowStatus(" Erasing ...");
    view.SetProgressMax(200);
    Progress(0);
    EraseStep(EraseCommand::Msf(0, recordedEnd, 0x00), 0);
    uint32_t leadIn;
    if (!ReadLeadInStart(*device, &leadIn)) return false;
    EraseStep(EraseCommand::Msf(leadIn - 1000, kLeadInEnd - (leadIn - 1000), kLeadInArea), 100);
    return FinishErase();
}
