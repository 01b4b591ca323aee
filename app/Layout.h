// The main window's layout as data: every position, size, font, colour and text of the window,
// read by each window implementation so that none restates them.
#pragma once

#include <cstdint>

struct Rgb {
    uint8_t r, g, b;
};

struct FontSpec {
    const char* face;
    int heightPx;  // character height in pixels at 96 dpi (11 px is 8 pt)
    bool bold;
    Rgb color;
};

enum class ControlKind { Frame, Page, Label, Combo, ImageButton, StatusBar, ProgressBar };

struct ControlLayout {
    const char* name;
    ControlKind kind;
    const char* parent;
    int left, top, width, height;
    const char* text;
    FontSpec font;
    bool visible;
    int tabOrder;  // -1: not a tab stop
};

namespace layout {

// Colours with a name in the window framework, as the classic Windows scheme gives them.
constexpr Rgb kBlack{0, 0, 0};
constexpr Rgb kWhite{255, 255, 255};
constexpr Rgb kWindowText{0, 0, 0};
constexpr Rgb kHotLight{0, 102, 204};
constexpr Rgb kBtnFace{212, 208, 200};
constexpr Rgb kInfoBk{255, 255, 225};
constexpr Rgb kOlive{128, 128, 0};

constexpr int kClientWidth = 630;
constexpr int kClientHeight = 537;
constexpr int kMinWidth = 200;
constexpr int kMinHeight = 50;
constexpr const char* kFormCaption = "Nullburn";
constexpr const char* kApplicationTitle = "Nullburn";
constexpr const char* kCaptionPrefix = "Nullburn v";
constexpr FontSpec kFormFont{"MS Sans Serif", 11, false, kWindowText};

// suiForm1, the skinned frame.
constexpr FontSpec kTitleFont{"Tahoma", 11, true, kWhite};
constexpr Rgb kBorderColor{102, 102, 126};
constexpr int kBorderWidth = 2;
constexpr Rgb kFrameColor{224, 223, 227};
constexpr Rgb kMenuBarColor{232, 232, 232};
constexpr int kMenuBarHeight = 22;
constexpr int kCornerRadius = 13;
constexpr int kTitleBarHeight = 29;
constexpr int kTitleCapWidth = 35;
constexpr int kTitleCentreWidth = 37;
constexpr int kTitleButtonSize = 21;
constexpr int kTitleButtonTop = 5;
constexpr int kPageTop = 26;  // suiImagePanel1 in suiForm1

// The page's background image and its content.
constexpr int kBackgroundWidth = 636;
constexpr int kBackgroundHeight = 502;
constexpr FontSpec kPageFont{"Arial", 11, false, kBlack};
constexpr const char* kWarningTitle = "Warning";
constexpr const char* kWarningText =
    "Both the Quick Erase & Full Erase will permanently erase the data saved in the discs.";

// The combo box.
constexpr int kComboItemHeight = 15;
constexpr Rgb kComboBorder{102, 102, 126};
constexpr Rgb kComboArrow = kBlack;
constexpr Rgb kComboButton{224, 223, 227};

// The status bar and the progress bar over its panel 1.
constexpr int kStatusPanelWidths[3] = {300, 150, 50};
constexpr Rgb kStatusBarColor{224, 223, 227};
constexpr int kProgressMin = 0;
constexpr int kProgressMax = 100;
constexpr Rgb kProgressBorder{102, 102, 126};
constexpr Rgb kProgressColor{224, 223, 227};
constexpr Rgb kProgressCaptionColor = kBlack;
constexpr int kProgressFillWidth = 6;
constexpr int kProgressFillHeight = 10;

// The image buttons: three 180 x 38 images each.
constexpr int kButtonWidth = 180;
constexpr int kButtonHeight = 38;
constexpr const char* kQuickButtonText = "Quick Erase";
constexpr const char* kFullButtonText = "Full Erase";

// The message dialog.
constexpr FontSpec kDialogTextFont{"Tahoma", 11, false, kBlack};
constexpr FontSpec kDialogCaptionFont{"Tahoma", 11, true, kWhite};
constexpr const char* kDialogButtonTexts[3] = {"OK", "Cancel", "Cancel"};
constexpr int kDialogModalResults[3] = {1, 2, 2};
constexpr const char* kDialogDesignCaption = "Message";

// Balloon hints.
constexpr const char* kLogoHint = "Erase information quickly, easily, and inexpensively";
constexpr int kHintPauseMs = 100;
constexpr int kHintShortPauseMs = 5000;
constexpr int kHintMaxWidth = 600;
constexpr FontSpec kHintFont{"Arial", 12, true, kWindowText};
constexpr Rgb kHintBackground = kInfoBk;

// Help texts of the two buttons.
constexpr const char* kQuickEraseHelp =
    "Quick Erase will only erase the information stored in the Lead-in area (Table of Contents) and data "
    "stored on the first track. Once erased, the drive will not be able to read the data.\n\n"
    "Quick Erase takes less time to complete. However, some data recovery application may be able to "
    "recover data from portions that have not been erased.";
constexpr const char* kFullEraseHelp =
    "Full Erase will erase all the information stored on the disc. Once erased, the drive will not be able "
    "to read the data and no data can be recovered.\n\n"
    "Full Erase takes a longer time than a Quick Erase. However, it is NOT possible to recover any data "
    "stored in the disc.";

// Every control, with its parent; positions are relative to the parent.
constexpr ControlLayout kControls[] = {
    {"suiForm1", ControlKind::Frame, "frmMain", 0, 0, 630, 537, "Nullburn", kTitleFont, true, -1},
    {"suiImagePanel1", ControlKind::Page, "suiForm1", 0, 26, 630, 492, "", kPageFont, true, 1},
    {"Label1", ControlKind::Label, "suiImagePanel1", 185, 55, 33, 13, "Step1", {"Tahoma", 11, true, kHotLight}, true, -1},
    {"Label2", ControlKind::Label, "suiImagePanel1", 229, 55, 357, 13, "Select a Nullburn capable drive",
     {"Tahoma", 11, false, kWindowText}, true, -1},
    {"cboDrives", ControlKind::Combo, "suiImagePanel1", 229, 78, 360, 23, "", {"Courier New", 12, false, kBlack}, true, 0},
    {"Label3", ControlKind::Label, "suiImagePanel1", 185, 107, 33, 13, "Step2", {"Tahoma", 11, true, kHotLight}, true, -1},
    {"Label4", ControlKind::Label, "suiImagePanel1", 229, 107, 360, 13, "Insert the disc you want to erase into the drive",
     {"Tahoma", 11, false, kWindowText}, true, -1},
    {"Label5", ControlKind::Label, "suiImagePanel1", 185, 129, 33, 13, "Step3", {"Tahoma", 11, true, kHotLight}, true, -1},
    {"Label6", ControlKind::Label, "suiImagePanel1", 229, 129, 356, 13,
     "Select Quick Erase or Full Erase to erase data on the disc", {"Tahoma", 11, false, kWindowText}, true, -1},
    {"Label7", ControlKind::Label, "suiImagePanel1", 31, 47, 120, 109, "", {"Tahoma", 12, false, kWindowText}, true, -1},
    {"BtnQuick", ControlKind::ImageButton, "suiImagePanel1", 43, 281, 180, 38, "Quick Erase", {"Tahoma", 11, false, kWhite}, true, 1},
    {"BtnFull", ControlKind::ImageButton, "suiImagePanel1", 43, 320, 180, 38, "Full Erase", {"Tahoma", 11, false, kWhite}, true, 2},
    {"lblHelp", ControlKind::Label, "suiImagePanel1", 226, 281, 369, 142, "", {"Arial", 12, false, kWhite}, true, -1},
    {"lblMsg", ControlKind::Label, "suiImagePanel1", 11, 468, 558, 17,
     "Status : This is a test message, which will be removed after formal relase, please check it, thanks.",
     {"Arial", 11, true, kWhite}, false, -1},
    {"sbar", ControlKind::StatusBar, "suiForm1", 0, 518, 630, 19, "", kPageFont, true, -1},
    {"suiProgressBar1", ControlKind::ProgressBar, "suiForm1", 308, 522, 136, 12, "", {"Tahoma", 11, false, kBlack}, true, -1},
};

// The entry of `name` in kControls; every window looks its controls up by name.
const ControlLayout& Control(const char* name);

}  // namespace layout
