#include "app/form1.h"
#include "toolkit/common/failure.h"
#include "toolkit/system/file_manager.h"

namespace {

const QString kAboutText = QStringLiteral(
    "Velaria 1.0\n\nRedimensiona todas las imágenes de una carpeta.\n\n"
    "Autores: el equipo de Velaria");

}  // namespace

// "JPG" (index 0) and "BMP" open their output folder in the file manager. The folder is neither
// checked nor created here, and a file manager that cannot start is passed over silently.
void Form1::Command3_Click(std::int16_t Index) {
    using toolkit::skipOnFailure;
    QString folder;
    skipOnFailure([&] {
        folder = system_.programFolder() +
                 (Index == 0 ? QStringLiteral("/DestinoJPG") : QStringLiteral("/DestinoBMP"));
    });
    skipOnFailure([&] { toolkit::openInFileManager(system_, folder); });
}

// The box carries the application's own title.
void Form1::Command4_Click() {
    system_.messageBox(this, kAboutText);
}
