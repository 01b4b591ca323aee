// Entry of nullburn.exe. Until the main window exists the program starts its system and ends.
#include <windows.h>

#include "platform/windows/WindowsSystem.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    WindowsSystem system;
    (void)system;
    return 0;
}
