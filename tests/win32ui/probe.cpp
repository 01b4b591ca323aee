// Reads the running Nullburn window from outside, through the ordinary window API only, and
// prints what it finds as one JSON object: the frame, every control of the layout table (window
// text, enabled, visible, screen rectangle), the drive rows, the progress bar, the message
// dialog and the balloon hint. The GUI tests run it under the same Wine as the program.
//
// Usage: win32ui_probe [state | serve]
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <string>
#include <vector>

#include "ui/win32/ControlIds.h"

namespace {

constexpr UINT kTimeoutMs = 5000;

std::string Json(const std::string& s) {
    std::string out = "\"";
    for (unsigned char c : s) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += char(c);
        } else if (c < 0x20 || c >= 0x7F) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\u%04x", c);
            out += buf;
        } else {
            out += char(c);
        }
    }
    return out + "\"";
}

std::string Bool(bool b) { return b ? "true" : "false"; }

std::string Rect(const RECT& r) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "[%ld, %ld, %ld, %ld]", long(r.left), long(r.top), long(r.right), long(r.bottom));
    return buf;
}

// The text the window keeps (no message is sent, so a busy window cannot block the probe).
std::string StoredText(HWND hwnd) {
    char buf[4096] = "";
    ::GetWindowTextA(hwnd, buf, sizeof buf);
    return buf;
}

// The text the control reports (WM_GETTEXT), as a combo box reports its selected row.
std::string ReportedText(HWND hwnd) {
    char buf[4096] = "";
    DWORD_PTR result = 0;
    if (!::SendMessageTimeoutA(hwnd, WM_GETTEXT, sizeof buf, reinterpret_cast<LPARAM>(buf), SMTO_ABORTIFHUNG,
                               kTimeoutMs, &result))
        return "";
    return buf;
}

LRESULT Ask(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    DWORD_PTR result = 0;
    if (!::SendMessageTimeoutA(hwnd, message, wParam, lParam, SMTO_ABORTIFHUNG, kTimeoutMs, &result)) return -1;
    return LRESULT(result);
}

// One row of a combo box in another process. Asked for in wide characters: Wine carries the
// narrow request across processes as wide text and hands it back unconverted.
std::string RowText(HWND combo, int row) {
    DWORD_PTR length = 0;
    if (!::SendMessageTimeoutW(combo, CB_GETLBTEXTLEN, WPARAM(row), 0, SMTO_ABORTIFHUNG, kTimeoutMs, &length) ||
        LRESULT(length) <= 0)
        return "";
    std::vector<wchar_t> wide(size_t(length) + 64, L'\0');
    DWORD_PTR copied = 0;
    if (!::SendMessageTimeoutW(combo, CB_GETLBTEXT, WPARAM(row), reinterpret_cast<LPARAM>(wide.data()), SMTO_ABORTIFHUNG,
                               kTimeoutMs, &copied))
        return "";
    std::string text;
    for (size_t i = 0; i < wide.size() && wide[i]; i++) text += wide[i] < 0x80 ? char(wide[i]) : '?';
    return text;
}

std::string ClassOf(HWND hwnd) {
    char buf[256] = "";
    ::GetClassNameA(hwnd, buf, sizeof buf);
    return buf;
}

std::string Frame(HWND frame) {
    if (!frame) return "null";
    RECT window, client;
    ::GetWindowRect(frame, &window);
    ::GetClientRect(frame, &client);
    POINT origin = {0, 0};
    ::ClientToScreen(frame, &origin);
    char buf[128];
    std::snprintf(buf, sizeof buf, "[%ld, %ld]", long(client.right), long(client.bottom));
    std::string clientSize = buf;
    std::snprintf(buf, sizeof buf, "[%ld, %ld]", long(origin.x), long(origin.y));
    return "{\"text\": " + Json(StoredText(frame)) + ", \"visible\": " + Bool(::IsWindowVisible(frame)) +
           ", \"enabled\": " + Bool(::IsWindowEnabled(frame)) + ", \"iconic\": " + Bool(::IsIconic(frame)) +
           ", \"window\": " + Rect(window) + ", \"client\": " + clientSize + ", \"origin\": " + buf + "}";
}

std::string Control(HWND control, bool reported) {
    RECT r;
    ::GetWindowRect(control, &r);
    return "{\"class\": " + Json(ClassOf(control)) + ", \"text\": " +
           Json(reported ? ReportedText(control) : StoredText(control)) + ", \"enabled\": " +
           Bool(::IsWindowEnabled(control)) + ", \"visible\": " + Bool(::IsWindowVisible(control)) +
           ", \"rect\": " + Rect(r) + "}";
}

struct Found {
    std::vector<HWND> windows;
};

BOOL CALLBACK CollectChild(HWND hwnd, LPARAM param) {
    reinterpret_cast<Found*>(param)->windows.push_back(hwnd);
    return TRUE;
}

std::string Controls(HWND frame, std::string& rows, std::string& progress) {
    rows = "[]";
    progress = "null";
    if (!frame) return "{}";
    Found children;
    ::EnumChildWindows(frame, CollectChild, reinterpret_cast<LPARAM>(&children));
    std::string out = "{";
    bool first = true;
    for (const ControlId& c : kControlIds) {
        HWND control = nullptr;
        for (HWND child : children.windows)
            if (::GetDlgCtrlID(child) == c.id && ::GetParent(child) != nullptr &&
                (::GetParent(child) == frame || ::GetParent(::GetParent(child)) == frame))
                control = child;
        if (!control) continue;
        bool isCombo = ClassOf(control) == "ComboBox";
        out += std::string(first ? "" : ", ") + Json(c.name) + ": " + Control(control, isCombo);
        first = false;
        if (isCombo) {
            int count = int(Ask(control, CB_GETCOUNT, 0, 0));
            // A control that did not answer has no rows to report, which is not an empty list.
            rows = count < 0 ? "null" : "[";
            if (count < 0) continue;
            for (int i = 0; i < count; i++) {
                rows += std::string(i ? ", " : "") + Json(RowText(control, i));
            }
            rows += "], \"selectedRow\": " + std::to_string(Ask(control, CB_GETCURSEL, 0, 0));
        }
        if (ClassOf(control) == "NullburnProgressBar") {
            progress = "{\"pos\": " + std::to_string(Ask(control, PBM_GETPOS, 0, 0)) +
                       ", \"min\": " + std::to_string(Ask(control, PBM_GETRANGE, TRUE, 0)) +
                       ", \"max\": " + std::to_string(Ask(control, PBM_GETRANGE, FALSE, 0)) + "}";
        }
    }
    return out + "}";
}

std::string Dialog(HWND dialog) {
    if (!dialog) return "null";
    RECT r;
    ::GetWindowRect(dialog, &r);
    std::string text, buttons = "[";
    Found children;
    ::EnumChildWindows(dialog, CollectChild, reinterpret_cast<LPARAM>(&children));
    bool first = true;
    for (HWND child : children.windows) {
        int id = ::GetDlgCtrlID(child);
        if (id == kDialogTextId) {
            text = StoredText(child);
        } else {
            RECT b;
            ::GetWindowRect(child, &b);
            buttons += std::string(first ? "" : ", ") + "{\"text\": " + Json(StoredText(child)) +
                       ", \"id\": " + std::to_string(id) + ", \"rect\": " + Rect(b) + "}";
            first = false;
        }
    }
    return "{\"caption\": " + Json(StoredText(dialog)) + ", \"text\": " + Json(text) +
           ", \"visible\": " + Bool(::IsWindowVisible(dialog)) + ", \"window\": " + Rect(r) +
           ", \"buttons\": " + buttons + "]}";
}

struct TipSearch {
    HWND owner;
    HWND found;
};

BOOL CALLBACK FindTip(HWND hwnd, LPARAM param) {
    auto* search = reinterpret_cast<TipSearch*>(param);
    if (ClassOf(hwnd) == TOOLTIPS_CLASSA && ::GetWindow(hwnd, GW_OWNER) == search->owner && ::IsWindowVisible(hwnd)) {
        search->found = hwnd;
        return FALSE;
    }
    return TRUE;
}

std::string Tooltip(HWND frame) {
    if (!frame) return "null";
    TipSearch search{frame, nullptr};
    ::EnumWindows(FindTip, reinterpret_cast<LPARAM>(&search));
    if (!search.found) return "null";
    RECT r;
    ::GetWindowRect(search.found, &r);
    return "{\"rect\": " + Rect(r) + "}";
}

// The control that has the keyboard focus in the window's thread, by its layout name.
std::string Focus(HWND frame) {
    if (!frame) return "null";
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    if (!::GetGUIThreadInfo(::GetWindowThreadProcessId(frame, nullptr), &info) || !info.hwndFocus) return "null";
    int id = ::GetDlgCtrlID(info.hwndFocus);
    for (const ControlId& c : kControlIds)
        if (c.id == id) return Json(c.name);
    return Json(ClassOf(info.hwndFocus));
}

std::string State() {
    HWND frame = ::FindWindowA(kFrameClass, nullptr);
    HWND dialog = ::FindWindowA(kDialogClass, nullptr);
    std::string rows, progress;
    std::string controls = Controls(frame, rows, progress);
    return "{\"frame\": " + Frame(frame) + ", \"controls\": " + controls + ", \"rows\": " + rows +
           ", \"progress\": " + progress + ", \"dialog\": " + Dialog(dialog) + ", \"tooltip\": " + Tooltip(frame) +
           ", \"focus\": " + Focus(frame) + "}";
}

}  // namespace

int main(int argc, char** argv) {
    std::string command = argc > 1 ? argv[1] : "state";
    if (command == "state") {
        std::printf("%s\n", State().c_str());
        return 0;
    }
    if (command == "serve") {
        // One state line for each line read, until the input ends: fast enough to watch a
        // progress bar that moves several times a second.
        char line[64];
        while (std::fgets(line, sizeof line, stdin)) {
            std::printf("%s\n", State().c_str());
            std::fflush(stdout);
        }
        return 0;
    }
    std::fprintf(stderr, "usage: win32ui_probe [state | serve]\n");
    return 2;
}
