#include <QDir>

#include "app/form1.h"
#include "convert/batch/output_names.h"
#include "toolkit/common/failure.h"
#include "toolkit/controls/units.h"

namespace {

// The dialog's answers may come as fixed-size buffers: only what precedes a NUL counts.
QString beforeNul(const QString& text) {
    const qsizetype nul = text.indexOf(QChar(u'\0'));
    return nul < 0 ? text : text.left(nul);
}

}  // namespace

// The folder of whichever file the user picks becomes the listed folder. A cancel changes
// nothing.
void Form1::Command2_Click() {
    using toolkit::skipOnFailure;

    std::optional<toolkit::ChosenFile> chosen;
    skipOnFailure([&] { chosen = system_.chooseFile(this, system_.programFolder()); });
    if (!chosen) return;

    // Measured here rather than through a text box, which would cap a long path.
    listFolderOf(beforeNul(chosen->path), beforeNul(chosen->name));
}

// The folder of the file at `path`, whose name is `name`, becomes the listed folder; a folder
// the list cannot take leaves the previous one.
void Form1::listFolderOf(const QString& path, const QString& name) {
    using toolkit::skipOnFailure;

    skipOnFailure([&] { Text2->setText(name); });
    QString folder;
    skipOnFailure([&] {
        if (name.size() > path.size())
            throw toolkit::Failure(QStringLiteral("La ruta «%1» no contiene el nombre «%2»")
                                       .arg(QDir::toNativeSeparators(path), name));
        // What is left keeps its trailing separator: a file at the root gives the root.
        folder = path.left(path.size() - name.size());
    });
    skipOnFailure([&] { File1->setPath(folder); });
    skipOnFailure([&] { File1->refresh(); });
}

// Shows the selected picture stretched in the frame, puts the frame's right edge back on the
// right-hand width handle and, in proportional mode, refits the frame's height.
void Form1::File1_Click() {
    using toolkit::skipOnFailure;

    QString name;
    skipOnFailure([&] { name = File1->list(File1->listIndex()); });
    if (!convert::isPictureName(name)) return;

    // A damaged picture leaves the previous one on show; the frame is still set below.
    skipOnFailure([&] { Image1->loadPicture(File1->path() + QStringLiteral("/") + name); });
    skipOnFailure([&] { Image1->setStretch(true); });
    skipOnFailure([&] {
        Picture1->setWidth(toolkit::toSingle(static_cast<double>(Picture2(1).left()) -
                                             Picture1->left() + Picture2(1).width()));
    });
    int proportional = 0;
    skipOnFailure([&] { proportional = Check2(2).value(); });
    if (proportional == 0) {
        skipOnFailure([&] { Image1->setWidth(Picture1->width()); });
        return;
    }
    // One step here: a failing part abandons the rest of the refit.
    skipOnFailure([&] { refitHeightToKeptProportion([](auto&& part) { part(); }); });
}
