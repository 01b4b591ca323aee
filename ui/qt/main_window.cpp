// nullburn on Linux: the main window on the computer's own optical drives.
#include <QApplication>
#include <QMessageBox>
#include <exception>

#include "app/Layout.h"
#include "platform/RealSystem.h"
#include "ui/qt/MainWindow.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QString::fromLatin1(layout::kApplicationTitle));
    QApplication::setDesktopFileName("nullburn");
    try {
        std::string error;
        auto system = CreateRealSystem(error);
        if (!system) {
            QMessageBox::critical(nullptr, QString::fromLatin1(layout::kApplicationTitle), QString::fromStdString(error));
            return 0;
        }
        return RunMainWindow(*system);
    } catch (const std::exception& e) {
        // An exception reaching the entry is shown, and the program ends normally.
        QMessageBox::critical(nullptr, QString::fromLatin1(layout::kApplicationTitle), QString::fromUtf8(e.what()));
    } catch (...) {
        QMessageBox::critical(nullptr, QString::fromLatin1(layout::kApplicationTitle), QString());
    }
    return 0;
}
