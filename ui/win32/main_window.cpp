// Entry of the shipped program: the main window on the real Windows system. The program keeps
// no command line, no settings and no files.
#include <windows.h>

#include <exception>

#include "platform/windows/WindowsSystem.h"
#include "ui/win32/MainWindow.h"
#include "ui/win32/Window.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    try {
        WindowsSystem system;
        RunMainWindow(system);
    } catch (const std::exception& e) {
        ShowException(e.what());
    } catch (...) {
        // Anything else is shown as an exception with an empty message.
        ShowException("");
    }
    return 0;
}
