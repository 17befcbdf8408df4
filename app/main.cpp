#include <QApplication>

#include "app/form1.h"
#include "toolkit/system/desktop_system.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(toolkit::kApplicationTitle);
    // Lets the desktop match the window to its launcher and icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.velaria.Velaria"));
    toolkit::DesktopSystem system;
    Form1 form(system);
    form.Form_Load();
    form.show();
    return QApplication::exec();
}
