#include <QApplication>

#include "form1.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(toolkit::kApplicationTitle);
    toolkit::DesktopSystem system;
    Form1 form(system);
    form.Form_Load();
    form.show();
    return QApplication::exec();
}
