// The Win32 message pump on a real message queue: it must dispatch what is queued, leave WM_QUIT
// for the application's loop, and wake a wait for input that is already queued.
#include <windows.h>

#include <gtest/gtest.h>

#include "platform/windows/Win32MessagePump.h"
#include "platform/windows/WindowsSystem.h"

namespace {

int dispatched = 0;

LRESULT CALLBACK CountingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_APP) {
        ++dispatched;
        return 0;
    }
    return ::DefWindowProcA(window, message, wParam, lParam);
}

// A message-only window that counts the WM_APP messages dispatched to it.
class CountingWindow {
public:
    CountingWindow() {
        WNDCLASSA windowClass{};
        windowClass.lpfnWndProc = CountingProc;
        windowClass.hInstance = ::GetModuleHandleA(nullptr);
        windowClass.lpszClassName = "NullburnPumpTest";
        ::RegisterClassA(&windowClass);
        handle = ::CreateWindowExA(0, "NullburnPumpTest", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                   windowClass.hInstance, nullptr);
        dispatched = 0;
    }
    ~CountingWindow() {
        if (handle) ::DestroyWindow(handle);
    }
    HWND handle = nullptr;
};

// Empties the thread's queue, so that each test starts from nothing.
void DrainQueue() {
    MSG msg;
    while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    }
}

TEST(Win32MessagePump, DispatchesEveryQueuedMessage) {
    CountingWindow window;
    ASSERT_NE(window.handle, nullptr);
    for (int i = 0; i < 3; ++i) ASSERT_TRUE(::PostMessageA(window.handle, WM_APP, 0, 0));
    Win32MessagePump pump;
    pump.ProcessMessages();
    EXPECT_EQ(dispatched, 3);
    MSG msg;
    EXPECT_FALSE(::PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE));
}

TEST(Win32MessagePump, LeavesQuitForTheApplicationLoop) {
    CountingWindow window;
    ASSERT_NE(window.handle, nullptr);
    ASSERT_TRUE(::PostMessageA(window.handle, WM_APP, 0, 0));
    ::PostQuitMessage(7);
    Win32MessagePump pump;
    pump.ProcessMessages();  // must return although WM_QUIT is put back
    EXPECT_EQ(dispatched, 1);
    MSG msg{};
    ASSERT_TRUE(::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, UINT(WM_QUIT));
    EXPECT_EQ(msg.wParam, WPARAM(7));
    DrainQueue();
}

// A correct wait returns at once; one that ignores input it has already seen never returns, and
// the run's time limit reports it.
TEST(Win32MessagePump, WaitWakesForInputAlreadySeen) {
    ASSERT_TRUE(::PostThreadMessageA(::GetCurrentThreadId(), WM_APP, 0, 0));
    MSG msg;
    ASSERT_TRUE(::PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE));
    Win32MessagePump pump;
    pump.WaitForMessage(INFINITE);
    EXPECT_TRUE(::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    DrainQueue();
}

TEST(Win32MessagePump, SystemWaitsThroughTheInstalledPump) {
    ASSERT_TRUE(::PostThreadMessageA(::GetCurrentThreadId(), WM_APP, 0, 0));
    MSG msg;
    ASSERT_TRUE(::PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE));
    WindowsSystem system;
    Win32MessagePump pump;
    system.SetMessagePump(&pump);
    system.WaitForMessage(INFINITE);  // a plain Sleep here would never return
    system.ProcessMessages();
    EXPECT_FALSE(::PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE));
}

}  // namespace
