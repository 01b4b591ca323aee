// nullburn-demo on Linux: the same window on the emulated drive bay, with time running 20 times
// faster than on a real drive. The bay is the built-in one below, or the scenario named by the
// environment variable NULLBURN_DEMO_SCENARIO: a short scenario such as "range:bd-r-dl" or the
// path of a scenario file.
#include <QApplication>
#include <QMessageBox>
#include <cstdlib>
#include <exception>
#include <memory>

#include "app/Layout.h"
#include "platform/emulated/Bay.h"
#include "ui/qt/MainWindow.h"

namespace {
// A range-erase DVD writer with a recorded DVD+R, a whole-disc drive with a recorded CD-R and a
// read-only CD-ROM drive, so that every path can be tried.
constexpr const char* kBuiltInScenario = "range:dvd+r,whole:cd-r,cdrom:none";
constexpr double kSpeed = 20.0;
}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QString::fromLatin1(layout::kApplicationTitle));
    QApplication::setDesktopFileName("nullburn-demo");
    const QString title = QString::fromLatin1(layout::kApplicationTitle) + " demo";
    try {
        const char* chosen = std::getenv("NULLBURN_DEMO_SCENARIO");
        std::string scenario = chosen && *chosen ? chosen : kBuiltInScenario;
        std::string error;
        auto system = CreateEmulatedBay(scenario, error, std::make_shared<ScaledRealClock>(kSpeed));
        if (!system) {
            QMessageBox::critical(nullptr, title,
                                  QString::fromStdString("The drive bay cannot be built from " + scenario + ":\n" + error));
            return 1;
        }
        return RunMainWindow(*system);
    } catch (const std::exception& e) {
        QMessageBox::critical(nullptr, title, QString::fromUtf8(e.what()));
    } catch (...) {
        QMessageBox::critical(nullptr, title, QString());
    }
    return 0;
}
