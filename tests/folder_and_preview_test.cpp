#include <gtest/gtest.h>

#include <QComboBox>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include "app/form1.h"
#include "support/fake_system.h"
#include "support/picture_files.h"
#include "support/program_folder.h"
#include "support/qt_printers.h"
#include "support/window_driving.h"

namespace {

struct StartedWindow {
    explicit StartedWindow(const QString& programFolder) : system(programFolder), form(system) {
        form.Form_Load();
    }
    FakeSystem system;
    Form1 form;
};

// A JPEG of this size, whatever the file is called.
void writeJpeg(const QString& path, int width, int height) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
    ASSERT_TRUE(quadrantPicture(width, height).save(&file, "JPG"));
}

// A real GIF of 3 x 2 pixels (Qt reads GIF but does not write it).
const QByteArray kGif3x2 = QByteArray::fromHex(
    "47494638396103000200f00000ff000000000021f90400000000002c0000000003000200000202845f003b");

// Selects the entry as the user does, which raises the list's click.
void select(Form1& f, const QString& name) {
    const auto entries = f.File1->findItems(name, Qt::MatchExactly | Qt::MatchCaseSensitive);
    ASSERT_EQ(entries.size(), 1) << name.toStdString();
    f.File1->setCurrentRow(-1);
    f.File1->setCurrentItem(entries.first());
}

// Puts the frame's right edge, as the preview derives it, this far from the frame's left edge.
void placeRightHandle(Form1& f, float frameWidth) {
    f.Picture2(1).setLeft(f.Picture1->left() + frameWidth - f.Picture2(1).width());
}

QString listedAt(const QString& folder) {
    return folder + QStringLiteral("/");
}

}  // namespace

// --- Choosing the source folder ---------------------------------------------------------------

TEST(ChooseFolder, CancelChangesNothingAndTheDialogOpensInTheProgramFolder) {
    ProgramFolder program;
    program.addSample(80, 60);
    StartedWindow window(program.path());
    Form1& f = window.form;
    f.Text2->setText(QStringLiteral("antes"));
    const QStringList before = describeWindow(f);

    f.Command2->click();

    EXPECT_EQ(describeWindow(f), before);
    EXPECT_EQ(window.system.dialogFolders, std::vector<QString>{program.path()});
}

TEST(ChooseFolder, PickedFileListsItsFolderWithTheTrailingSeparator) {
    ProgramFolder program;
    program.addSample(80, 60);
    QTemporaryDir fotos;
    writeJpeg(fotos.filePath(QStringLiteral("playa.jpg")), 40, 30);
    writeBytes(fotos.filePath(QStringLiteral("notas.txt")), "x");
    StartedWindow window(program.path());
    Form1& f = window.form;
    const QStringList before = describeWindow(f);

    // Answers as fixed-size buffers would come back: the text, a NUL, then the rest.
    const QString rest = QChar(u'\0') + QString(40, u' ');
    window.system.chosenFile = toolkit::ChosenFile{
        fotos.filePath(QStringLiteral("playa.jpg")) + rest, QStringLiteral("playa.jpg") + rest};
    f.Command2->click();

    EXPECT_EQ(f.File1->path(), listedAt(fotos.path()));
    EXPECT_EQ(f.File1->listCount(), 2);
    EXPECT_EQ(f.File1->list(0), QStringLiteral("notas.txt"));
    EXPECT_EQ(f.File1->list(1), QStringLiteral("playa.jpg"));
    EXPECT_EQ(f.File1->listIndex(), -1);
    EXPECT_EQ(f.Text2->text(), QStringLiteral("playa.jpg"));
    // Nothing else: not the preview, the frame, the handles or the readouts.
    EXPECT_EQ(withoutControls(describeWindow(f), {"File1", "Text2"}),
              withoutControls(before, {"File1", "Text2"}));

    // The next press opens in the program folder again, not where the last file was.
    window.system.chosenFile.reset();
    f.Command2->click();
    EXPECT_EQ(window.system.dialogFolders, (std::vector<QString>{program.path(), program.path()}));
    EXPECT_EQ(f.File1->path(), listedAt(fotos.path()));
}

TEST(ChooseFolder, FileAtTheRootListsTheRootAndAVanishedFolderKeepsThePreviousOne) {
    ProgramFolder program;
    StartedWindow window(program.path());
    Form1& f = window.form;

    window.system.chosenFile = toolkit::ChosenFile{QStringLiteral("/playa.jpg"), "playa.jpg"};
    f.Command2->click();
    EXPECT_EQ(f.File1->path(), QStringLiteral("/"));

    window.system.chosenFile =
        toolkit::ChosenFile{program.file(QStringLiteral("no-existe/playa.jpg")), "playa.jpg"};
    f.Command2->click();
    EXPECT_EQ(f.File1->path(), QStringLiteral("/"));
    EXPECT_EQ(f.Text2->text(), QStringLiteral("playa.jpg"));
}

// A folder dropped from a file manager is listed; a file dropped lists its folder, as the
// dialog's pick does. The first item counts, and the originals stay where they are.
TEST(ChooseFolder, DroppedFolderOrFileIsListedAndAnythingElseRefused) {
    ProgramFolder program;
    program.addSample(80, 60);
    QTemporaryDir fotos, otra;
    writeJpeg(fotos.filePath(QStringLiteral("playa.jpg")), 40, 30);
    writeBytes(otra.filePath(QStringLiteral("notas.txt")), "x");
    StartedWindow window(program.path());
    Form1& f = window.form;
    const QStringList before = describeWindow(f);

    const auto local = [](const QString& path) { return QUrl::fromLocalFile(path); };
    const Drop file = dropOn(f, {local(fotos.filePath("playa.jpg")), local(otra.path())});
    EXPECT_TRUE(file.entered && file.dropped);
    EXPECT_EQ(file.action, Qt::CopyAction);
    EXPECT_EQ(f.File1->path(), listedAt(fotos.path()));
    EXPECT_EQ(f.Text2->text(), QStringLiteral("playa.jpg"));
    EXPECT_EQ(withoutControls(describeWindow(f), {"File1", "Text2"}),
              withoutControls(before, {"File1", "Text2"}));

    // Only a link offered: a link then, never a move, which would take the folder away.
    const Drop folder = dropOn(f, {local(otra.path())}, Qt::MoveAction | Qt::LinkAction);
    EXPECT_EQ(folder.action, Qt::LinkAction);
    EXPECT_EQ(f.File1->path(), listedAt(otra.path()));
    EXPECT_EQ(f.File1->list(0), QStringLiteral("notas.txt"));

    const QStringList listed = describeWindow(f);
    const struct {
        const char* what;
        QList<QUrl> items;
        Qt::DropActions offered;
    } refused[] = {
        {"no local file", {QUrl("https://example.org/fotos/")}, Qt::CopyAction},
        {"a remote first", {QUrl("sftp://casa/fotos/"), local(fotos.path())}, Qt::CopyAction},
        {"gone", {local(fotos.filePath("no-existe.jpg"))}, Qt::CopyAction},
        {"nothing", {}, Qt::CopyAction},
        {"only a move", {local(fotos.path())}, Qt::MoveAction},
    };
    for (const auto& drag : refused) {
        SCOPED_TRACE(drag.what);
        const Drop drop = dropOn(f, drag.items, drag.offered);
        EXPECT_FALSE(drop.entered || drop.dropped);
        EXPECT_EQ(describeWindow(f), listed);
        EXPECT_TRUE(window.system.messages.empty());
    }
}

// The real dialog, answered the way a user would: it opens in the program folder each time,
// whatever was picked before, and takes a path far longer than 256 characters.
TEST(ChooseFolder, RealDialogOpensInTheProgramFolderAndTakesALongPath) {
    QTemporaryDir settings;  // the dialog keeps its own history; not in the developer's files
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings.path());
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settings.path());

    ProgramFolder program;
    program.addSample(80, 60);
    QTemporaryDir elsewhere;
    const QString deep = elsewhere.path() + QStringLiteral("/") + QString(100, u'a') +
                         QStringLiteral("/") + QString(100, u'b') + QStringLiteral("/") +
                         QString(100, u'c') + QStringLiteral("/Fotos de playa");
    ASSERT_TRUE(QDir().mkpath(deep));
    const QString picked = deep + QStringLiteral("/playa.jpg");
    ASSERT_GT(picked.size(), 256);
    writeJpeg(picked, 40, 30);

    DesktopInFolder desktop(program.path());
    Form1 f(desktop);
    f.Form_Load();
    f.show();

    struct Seen {
        QString folder, title;
        QStringList filters;
        bool existingFileOnly = false, modal = false, ownedByWindow = false;
    } first, second;
    const auto look = [&f](QFileDialog* dialog, Seen& seen) {
        seen.folder = dialog->directory().absolutePath();
        seen.title = dialog->windowTitle();
        if (const auto* types = dialog->findChild<QComboBox*>(QStringLiteral("fileTypeCombo")))
            for (int i = 0; i < types->count(); ++i) seen.filters << types->itemText(i);
        seen.existingFileOnly = dialog->fileMode() == QFileDialog::ExistingFile;
        seen.modal = dialog->isModal();
        seen.ownedByWindow = dialog->parentWidget() == &f;
    };

    {
        ModalDriver answer([&](QWidget* modal) {
            auto* dialog = qobject_cast<QFileDialog*>(modal);
            if (!dialog) return modal->close(), void();
            look(dialog, first);
            auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            if (!name) return dialog->reject();
            // Typed at once: letter by letter, the dialog's completer may take the Return.
            name->setText(picked);
            QTest::keyClick(name, Qt::Key_Return);
        });
        f.Command2->click();
        ASSERT_TRUE(answer.ran());
    }
    EXPECT_EQ(first.folder, program.path());
    EXPECT_EQ(first.title, QStringLiteral("Selecciona una imagen"));
    EXPECT_EQ(first.filters, QStringList{QStringLiteral("Todos los ficheros (*.*)")});
    EXPECT_TRUE(first.existingFileOnly);
    EXPECT_TRUE(first.modal);
    EXPECT_TRUE(first.ownedByWindow);
    EXPECT_EQ(f.File1->path(), listedAt(deep));
    EXPECT_EQ(f.Text2->text(), QStringLiteral("playa.jpg"));

    const QStringList before = describeWindow(f);
    {
        ModalDriver answer([&](QWidget* modal) {
            if (auto* dialog = qobject_cast<QFileDialog*>(modal)) look(dialog, second);
            modal->close();
        });
        f.Command2->click();
        ASSERT_TRUE(answer.ran());
    }
    EXPECT_EQ(second.folder, program.path());
    EXPECT_EQ(describeWindow(f), before);
}

TEST(ChooseFolder, RealDialogListsFilesWithoutADot) {
    QTemporaryDir settings;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings.path());
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settings.path());
    ProgramFolder program;
    writeBytes(program.file(QStringLiteral("foto.jpg")), "x");
    writeBytes(program.file(QStringLiteral("xjpg")), "x");

    QStringList shown;
    ModalDriver answer([&](QWidget* modal) {
        const auto* view = modal->findChild<QAbstractItemView*>(QStringLiteral("listView"));
        // The dialog reads the folder in the background.
        for (QDeadlineTimer deadline(5000); view && !deadline.hasExpired(); QTest::qWait(20)) {
            shown.clear();
            for (int row = 0; row < view->model()->rowCount(view->rootIndex()); ++row)
                shown << view->model()->index(row, 0, view->rootIndex()).data().toString();
            if (shown.contains(QStringLiteral("foto.jpg"))) break;
        }
        modal->close();
    });
    EXPECT_FALSE(toolkit::chooseExistingFile(nullptr, program.path()));
    ASSERT_TRUE(answer.ran());
    ASSERT_TRUE(shown.contains(QStringLiteral("foto.jpg")));
    EXPECT_TRUE(shown.contains(QStringLiteral("xjpg"))) << shown.join(u' ').toStdString();
}

// --- Previewing a list entry ------------------------------------------------------------------

TEST(Preview, PictureNamesInAnyCaseArePreviewedThroughAChosenFolder) {
    ProgramFolder program;
    program.addSample(80, 60);
    QTemporaryDir fotos;
    writeJpeg(fotos.filePath(QStringLiteral("foto.jpg")), 40, 30);
    writeJpeg(fotos.filePath(QStringLiteral("FOTO.JPG")), 50, 20);
    writeBytes(fotos.filePath(QStringLiteral("Foto.Gif")), kGif3x2);
    writeJpeg(fotos.filePath(QStringLiteral("xjpg")), 10, 70);
    StartedWindow window(program.path());
    Form1& f = window.form;
    // Picked through the dialog, so the list's path already ends in a separator.
    window.system.chosenFile =
        toolkit::ChosenFile{fotos.filePath(QStringLiteral("foto.jpg")), "foto.jpg"};
    f.Command2->click();
    ASSERT_EQ(f.File1->path(), listedAt(fotos.path()));

    for (const auto& [name, size] : {std::pair{"foto.jpg", QSize(40, 30)},
                                     {"FOTO.JPG", QSize(50, 20)},
                                     {"Foto.Gif", QSize(3, 2)},
                                     {"xjpg", QSize(10, 70)}}) {
        SCOPED_TRACE(name);
        select(f, QString::fromLatin1(name));
        EXPECT_EQ(f.Image1->picture().size(), size);
        EXPECT_TRUE(f.Image1->stretch());
    }
}

TEST(Preview, OtherNamesChangeNothingAtAllNotEvenTheFrameWidth) {
    ProgramFolder program;
    program.addSample(80, 60);
    // Picture content under names that are not picture names.
    for (const char* name : {"foto.jpeg", "foto.png", "pg", "g"})
        writeJpeg(program.file(QString::fromLatin1(name)), 40, 30);
    StartedWindow window(program.path());
    Form1& f = window.form;
    // A preview would now move the frame's right edge.
    placeRightHandle(f, 3000);

    for (const char* name : {"foto.jpeg", "foto.png", "pg", "g"}) {
        SCOPED_TRACE(name);
        const auto entries = f.File1->findItems(QString::fromLatin1(name), Qt::MatchExactly);
        ASSERT_EQ(entries.size(), 1);
        {
            QSignalBlocker quiet(f.File1);
            f.File1->setCurrentItem(entries.first());
        }
        const QStringList before = describeWindow(f);
        f.File1_Click();
        EXPECT_EQ(describeWindow(f), before);
    }
}

TEST(Preview, TickedRefitsTheFrameToTheKeptProportionWhateverThePicturesShape) {
    ProgramFolder program;
    program.addSample(80, 60);
    writeJpeg(program.file(QStringLiteral("retrato.jpg")), 30, 60);
    writeJpeg(program.file(QStringLiteral("paisaje.jpg")), 90, 30);
    StartedWindow window(program.path());
    Form1& f = window.form;
    ASSERT_EQ(f.Check2(2).value(), 1);
    f.SourceWidth = 800;
    f.SourceHeight = 600;
    // 1200 units (80 pixels) wide, so the frame takes exactly 1200 x 600 / 800 = 900.
    placeRightHandle(f, 1200);
    const QStringList untouched = {"Text1(0)",    "Text1(1)", "Picture2(0)", "Picture2(1)",
                                   "Picture3(0)", "Line1",    "SourceWidth"};
    const QStringList before = describeWindow(f);

    for (const char* name : {"retrato.jpg", "paisaje.jpg"}) {
        SCOPED_TRACE(name);
        select(f, QString::fromLatin1(name));
        EXPECT_EQ(f.Picture1->width(), 1200.0f);
        EXPECT_EQ(f.Picture1->height(), 900.0f);
        EXPECT_EQ(f.Image1->width(), 1200.0f);
        EXPECT_EQ(f.Image1->height(), 900.0f);
        // The lower handle's bottom edge on the frame's, and its line on the handle.
        EXPECT_EQ(f.Picture3(1).top(), f.Picture1->top() + 900.0f - f.Picture3(1).width());
        EXPECT_EQ(f.Line2.x2(), f.Picture3(1).left() + 127.0f);
        EXPECT_EQ(f.Line2.y2(), f.Picture3(1).top());
        // The readouts keep the old size until the handles are next touched.
        const auto kept = [&](const QStringList& d) {
            QStringList lines;
            for (const QString& line : d)
                if (untouched.contains(line.section(u' ', 0, 0))) lines << line;
            return lines;
        };
        EXPECT_EQ(kept(describeWindow(f)), kept(before));
    }
}

TEST(Preview, UntickedOnlyTheImageWidthFollowsTheFrame) {
    ProgramFolder program;
    program.addSample(80, 60);
    writeJpeg(program.file(QStringLiteral("paisaje.jpg")), 90, 30);
    StartedWindow window(program.path());
    Form1& f = window.form;
    f.Check2(2).setValue(0);
    placeRightHandle(f, 3000);
    const float imageHeight = f.Image1->height();
    const QStringList before = describeWindow(f);

    select(f, QStringLiteral("paisaje.jpg"));

    EXPECT_EQ(f.Picture1->width(), 3000.0f);
    EXPECT_EQ(f.Image1->width(), 3000.0f);
    EXPECT_EQ(f.Image1->height(), imageHeight);
    EXPECT_EQ(f.Image1->picture().size(), QSize(90, 30));
    const QStringList elsewhere = {"Picture1", "Image1", "File1"};
    EXPECT_EQ(withoutControls(describeWindow(f), elsewhere), withoutControls(before, elsewhere));

    // With stretch off when the picture arrives, the image takes the picture's own height.
    f.Image1->setStretch(false);
    select(f, QStringLiteral("paisaje.jpg"));
    EXPECT_EQ(f.Image1->width(), 3000.0f);
    EXPECT_EQ(f.Image1->height(), 30 * 15.0f);
    EXPECT_TRUE(f.Image1->stretch());
}

// A picture the batch run would refuse, damaged or cut short, is not shown either: what a
// decoder fills in for the missing part is not the file's.
TEST(Preview, DamagedOrCutPicturesKeepThePreviousOneButTheFrameIsStillSet) {
    ProgramFolder program;
    program.addSample(80, 60);
    writeJpeg(program.file(QStringLiteral("bien.jpg")), 40, 30);
    writeBytes(program.file(QStringLiteral("roto.jpg")), "\xFF\xD8\xFF\xE0 no es un JPEG");
    const QImage busy = busyPicture(160, 120);
    const QByteArray jpeg = jpegBytes(busy), bmp = bmpBytes(busy);
    const QByteArray gif = gifBytes(busy, {Qt::black, Qt::white, Qt::red, Qt::blue});
    writeBytes(program.file(QStringLiteral("cortado.jpg")), jpeg.left(jpeg.size() / 2));
    writeBytes(program.file(QStringLiteral("cortado.gif")), gif.left(gif.size() / 2));
    writeBytes(program.file(QStringLiteral("cortado.bmp")), bmp.left(bmp.size() / 2));
    StartedWindow window(program.path());
    Form1& f = window.form;
    f.SourceWidth = 800;
    f.SourceHeight = 600;
    select(f, QStringLiteral("bien.jpg"));
    const qint64 shown = f.Image1->picture().cacheKey();
    float frameWidth = 2400;

    for (const char* name : {"roto.jpg", "cortado.jpg", "cortado.gif", "cortado.bmp"}) {
        SCOPED_TRACE(name);
        frameWidth -= 240;  // whole pixels, at the kept proportion too
        placeRightHandle(f, frameWidth);
        select(f, QString::fromLatin1(name));

        EXPECT_EQ(f.Image1->picture().cacheKey(), shown);
        EXPECT_EQ(f.Picture1->width(), frameWidth);
        EXPECT_EQ(f.Picture1->height(), frameWidth * 3 / 4);
        EXPECT_EQ(f.Picture3(1).top(),
                  f.Picture1->top() + frameWidth * 3 / 4 - f.Picture3(1).width());
        EXPECT_TRUE(window.system.messages.empty());
    }
}
