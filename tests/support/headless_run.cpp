// One batch run of the real window code in a process of its own, without a display, for tests
// that must stop a run from outside (kill it halfway).
//
// Usage: velaria_headless_run <program folder> <source folder> [frame width in pixels]
// Both outputs ticked, the width driving. Prints the closing message, if any.
#include <QApplication>
#include <cstdio>

#include "app/form1.h"
#include "support/fake_system.h"

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    const QStringList arguments = QApplication::arguments();
    if (arguments.size() < 3) {
        std::fprintf(stderr, "uso: %s carpeta-del-programa carpeta-de-fotos [ancho]\n", argv[0]);
        return 2;
    }
    FakeSystem system(arguments[1]);
    Form1 form(system);
    form.Form_Load();
    form.File1->setPath(arguments[2]);
    form.Check2(0).setValue(1);
    form.Check2(1).setValue(1);
    form.Check2(2).setValue(1);
    form.Picture2(1).setBackColor(0xFF0000);
    if (arguments.size() > 3) form.Picture1->setWidth(arguments[3].toFloat() * 15);
    form.Command1_Click();
    for (const FakeSystem::Message& message : system.messages)
        std::printf("%s\n", message.text.toUtf8().constData());
    return system.endStatus.value_or(0);
}
