#include "ui/win32/Window.h"

#include <exception>

HINSTANCE AppInstance() { return ::GetModuleHandleA(nullptr); }

void ShowException(const char* what) {
    ::MessageBoxA(nullptr, what && *what ? what : "", "Nullburn", MB_OK | MB_ICONERROR);
}

Window::~Window() {
    if (hwnd) {
        // The window must not call back into an object that is going away.
        ::SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
        ::DestroyWindow(hwnd);
    }
}

void Window::RegisterClassOnce(const char* className, LPCSTR cursor, UINT style) {
    WNDCLASSEXA existing{};
    existing.cbSize = sizeof existing;
    if (::GetClassInfoExA(AppInstance(), className, &existing)) return;
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    wc.style = style;
    wc.lpfnWndProc = &Window::Dispatch;
    wc.hInstance = AppInstance();
    wc.hCursor = ::LoadCursorA(nullptr, cursor);
    wc.hbrBackground = nullptr;  // every class paints its whole area itself
    wc.lpszClassName = className;
    ::RegisterClassExA(&wc);
}

bool Window::Create(const char* className, const char* text, DWORD style, DWORD exStyle, int x, int y, int width,
                    int height, HWND parent, int id) {
    HMENU menu = (style & WS_CHILD) ? reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)) : nullptr;
    ::CreateWindowExA(exStyle, className, text, style, x, y, width, height, parent, menu, AppInstance(), this);
    return hwnd != nullptr;
}

LRESULT Window::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    return ::DefWindowProcA(hwnd, message, wParam, lParam);
}

LRESULT CALLBACK Window::Dispatch(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    Window* self;
    if (message == WM_NCCREATE) {
        self = static_cast<Window*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
        self->hwnd = hwnd;
        ::SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    } else {
        self = reinterpret_cast<Window*>(::GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    }
    if (!self) return ::DefWindowProcA(hwnd, message, wParam, lParam);
    LRESULT result = 0;
    try {
        result = self->HandleMessage(message, wParam, lParam);
    } catch (const std::exception& e) {
        ShowException(e.what());
    } catch (...) {
        ShowException("");
    }
    if (message == WM_NCDESTROY) {
        ::SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
        self->hwnd = nullptr;
    }
    return result;
}
