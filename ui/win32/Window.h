// A small Win32 window base class: the object is stored with its window at WM_NCCREATE and
// every message goes to the object's HandleMessage, so each control is one class with its state.
#pragma once

#include <windows.h>

class Window {
public:
    Window() = default;
    virtual ~Window();
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    HWND Hwnd() const { return hwnd; }
    void Invalidate() const {
        if (hwnd) ::InvalidateRect(hwnd, nullptr, FALSE);
    }

protected:
    // Registers `className` once per process with this class's dispatcher.
    static void RegisterClassOnce(const char* className, LPCSTR cursor, UINT style = 0);
    bool Create(const char* className, const char* text, DWORD style, DWORD exStyle, int x, int y, int width,
                int height, HWND parent, int id);
    // Unhandled messages go to DefWindowProc.
    virtual LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);

    HWND hwnd = nullptr;

private:
    static LRESULT CALLBACK Dispatch(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
};

// Shows an exception that reached a window procedure, as the framework's exception display
// would; a C++ exception must not unwind through the system's frames.
void ShowException(const char* what);

// The application instance, for class registration and resources.
HINSTANCE AppInstance();
