// Entry of nullburn-demo.exe: the same window on the emulated drive bay, with time running 20
// times faster than on a real drive. The bay is the built-in one below, or the scenario file
// nullburn-demo.scenario when one lies beside the executable.
#include <windows.h>

#include <exception>
#include <memory>
#include <string>

#include "platform/emulated/Bay.h"
#include "ui/win32/MainWindow.h"
#include "ui/win32/Window.h"

namespace {
// A range-erase DVD writer with a recorded DVD+R, a whole-disc drive with a recorded CD-R and a
// read-only CD-ROM drive, so that every path can be tried.
constexpr const char* kBuiltInScenario = "range:dvd+r,whole:cd-r,cdrom:none";
constexpr const char* kScenarioFileName = "nullburn-demo.scenario";
constexpr double kSpeed = 20.0;

// The scenario file beside the executable, or empty when there is none.
std::string ScenarioFileBesideProgram() {
    char path[MAX_PATH];
    DWORD length = ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return {};
    std::string file(path, length);
    size_t slash = file.find_last_of("\\/");
    file = (slash == std::string::npos ? std::string() : file.substr(0, slash + 1)) + kScenarioFileName;
    DWORD attributes = ::GetFileAttributesA(file.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) return {};
    return file;
}
}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    try {
        std::string scenario = ScenarioFileBesideProgram();
        if (scenario.empty()) scenario = kBuiltInScenario;
        std::string error;
        auto system = CreateEmulatedBay(scenario, error, std::make_shared<ScaledRealClock>(kSpeed));
        if (!system) {
            std::string text = "The drive bay cannot be built from " + scenario + ":\n" + error;
            ::MessageBoxA(nullptr, text.c_str(), "Nullburn demo", MB_OK | MB_ICONERROR);
            return 1;
        }
        RunMainWindow(*system);
    } catch (const std::exception& e) {
        ShowException(e.what());
    } catch (...) {
        ShowException("");
    }
    return 0;
}
