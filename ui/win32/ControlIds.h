// Window classes and control identifiers of the main window and its message dialog. The window
// uses them to build itself; the end-to-end tests use them to find and read the running window
// from outside, through the ordinary window API.
#pragma once

constexpr const char* kFrameClass = "NullburnFrame";      // frmMain with its skinned frame suiForm1
constexpr const char* kDialogClass = "NullburnDialog";    // suiMessageDialog1 while it is shown

struct ControlId {
    const char* name;  // the control's name in the layout table
    int id;
};

// Identifiers of the main window's controls; none collides with IDOK or IDCANCEL, which the
// dialog keyboard handling sends on Enter and Escape.
constexpr ControlId kControlIds[] = {
    {"suiImagePanel1", 100}, {"Label1", 101}, {"Label2", 102}, {"Label3", 103},   {"Label4", 104},
    {"Label5", 105},         {"Label6", 106}, {"Label7", 107}, {"cboDrives", 110}, {"BtnQuick", 111},
    {"BtnFull", 112},        {"lblHelp", 113}, {"lblMsg", 114}, {"sbar", 120},     {"suiProgressBar1", 121},
};

constexpr int IdOf(const char* name) {
    for (const ControlId& c : kControlIds) {
        const char* a = c.name;
        const char* b = name;
        while (*a && *a == *b) a++, b++;
        if (*a == *b) return c.id;
    }
    return -1;
}

// The dialog's text and buttons; the buttons' identifiers are their modal results.
constexpr int kDialogTextId = 200;
constexpr int kDialogFirstButtonId = 1;  // "OK" = 1, then "Cancel" = 2
