// The main window's start-up, drive list, status text, message dialog and help texts.
#include "app/FrmMain.h"

#include <cstdio>
#include <cstring>

#include "app/Layout.h"

namespace {
// A drive's own texts go on screen and onto terminals: nothing but printable ASCII passes.
std::string Printable(const char* text, size_t limit) {
    std::string s;
    for (size_t i = 0; i < limit && text[i]; i++) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        s += c >= 0x20 && c < 0x7F ? char(c) : '?';
    }
    return s;
}
}  // namespace

TfrmMain::TfrmMain(System& system, MainView& view) : system(system), view(view), osInfo(system) {
    for (int& d : driveOfRow) d = -1;
    system.SetMessagePump(this);
}

TfrmMain::~TfrmMain() {
    FormDestroy();
    system.SetMessagePump(nullptr);
}

void TfrmMain::ProcessMessages() { view.ProcessMessages(); }

void TfrmMain::WaitForMessage(uint32_t milliseconds) { view.WaitForMessage(milliseconds); }

std::string TfrmMain::FormatDriveRow(const DriveRecord& d) {
    char row[128];
    std::snprintf(row, sizeof row, "%2d-%d-%d-%d %s%24s %4s", d.hostAdapter, d.pathId, d.target, d.lun,
                  Printable(system.DisplayRoot(d.rootPath).c_str(), 8).c_str(), Printable(d.idText, 24).c_str(),
                  Printable(d.revision, 8).c_str());
    return row;
}

void TfrmMain::FormCreate() {
    device.reset();
    view.SetCaption(layout::kCaptionPrefix + osInfo.GetFileVersionText());
    for (int& d : driveOfRow) d = -1;
    device.reset(new (std::nothrow) AtapiDevice(system, commandObserver));
    if (!device) {
        ShowMessageDialog("Error ...", "Unable to create Device Object !", 1, kIconStop);
        view.Terminate();
        return;
    }
    int rows = 0;
    for (int i = 0; i < device->GetDriveCount(); i++) {
        const DriveRecord* d = device->GetDrive(unsigned(i));
        if (!d || !(d->writesCdR == 1 || d->typeCode >= 3) || rows >= kMaxDrives) continue;
        driveOfRow[rows++] = i;
        view.AddDriveRow(FormatDriveRow(*d));
    }
    if (device->GetDriveCount() > 0 && view.DriveRowCount() > 0) {
        view.SetDriveItemIndex(0);
        cboDrivesChange();
    } else {
        DisableUI();
        ShowMessageDialog("Error ...", ExplainedFailure("No drive detected !"), 1, kIconStop);
        view.Terminate();
    }
    view.SetHelpText("");
}

void TfrmMain::cboDrivesChange() {
    int row = view.DriveItemIndex();
    if (!device || row < 0 || row >= kMaxDrives) return;
    device->SelectDrive(int16_t(driveOfRow[row]));
}

void TfrmMain::DisableUI() {
    view.SetEnabled(UiControl::Drives, false);
    view.SetEnabled(UiControl::Quick, false);
    view.SetEnabled(UiControl::Full, false);
}

void TfrmMain::EnableUI() {
    view.SetEnabled(UiControl::Drives, true);
    view.SetEnabled(UiControl::Quick, true);
    view.SetEnabled(UiControl::Full, true);
}

void TfrmMain::ShowStatus(const std::string& text) {
    view.SetStatusLabel(text);
    view.SetStatusPanel(view.StatusLabel());
}

int TfrmMain::ShowMessageDialog(const std::string& caption, const std::string& text, uint8_t buttonCount,
                                uint8_t iconType) {
    // A window that is closing asks nothing more; a question counts as cancelled.
    if (closeRequested) return kModalCancel;
    view.SetDialogButtonCount(buttonCount);
    view.SetDialogIconType(iconType);
    view.SetDialogCaptionFontColor(0);
    view.SetDialogText(text);
    view.SetDialogCaption(caption);
    return view.ShowDialogModal();
}

std::string TfrmMain::ExplainedFailure(const std::string& text) {
    std::string problem = system.AccessProblem();
    return problem.empty() ? text : problem;
}

void TfrmMain::FormDestroy() { device.reset(); }

void TfrmMain::RequestClose() {
    closeRequested = true;
    if (device) device->AbortCommands();
}

void TfrmMain::BtnQuickMouseEnter() { view.SetHelpText(layout::kQuickEraseHelp); }

void TfrmMain::BtnQuickMouseExit() { view.SetHelpText(""); }

void TfrmMain::BtnFullMouseEnter() { view.SetHelpText(layout::kFullEraseHelp); }

void TfrmMain::BtnFullMouseExit() { view.SetHelpText(""); }

void TfrmMain::BtnQuickClick() { EraseDisc(true); }

void TfrmMain::BtnFullClick() { EraseDisc(false); }
