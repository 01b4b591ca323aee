// The Win32 message pump.
//
// Porting contract: ProcessMessages dispatches what is queued for the calling thread right now
// and returns; WaitForMessage blocks in MsgWaitForMultipleObjectsEx, so the program's long waits
// cost no CPU between passes. Both serve the one window thread the program has.
#include "platform/windows/Win32MessagePump.h"

#include <windows.h>

void Win32MessagePump::ProcessMessages() {
    MSG msg;
    while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            // The wait that pumps must not swallow the end of the program.
            ::PostQuitMessage(static_cast<int>(msg.wParam));
            return;
        }
        ::TranslateMessage(&msg);
        ::DispatchMessageA(&msg);
    }
}

void Win32MessagePump::WaitForMessage(uint32_t milliseconds) {
    // MWMO_INPUTAVAILABLE also wakes for input that an earlier PeekMessage already saw but left.
    ::MsgWaitForMultipleObjectsEx(0, nullptr, milliseconds, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
}
