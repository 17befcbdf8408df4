#include <gtest/gtest.h>

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>

#include "app/form1.h"
#include "support/fake_system.h"
#include "support/program_folder.h"
#include "support/window_driving.h"
#include "toolkit/system/file_manager.h"

namespace {

// A stand-in for xdg-open, first on PATH while it lives. Each start writes its arguments, one
// per line, to a file of its own, so that starts running side by side do not mix.
class StandInFileManager {
  public:
    StandInFileManager() : oldPath_(qgetenv("PATH")) {
        QDir(bin_.path()).mkpath(QStringLiteral("starts"));
        QFile script(bin_.filePath(QStringLiteral("xdg-open")));
        EXPECT_TRUE(script.open(QIODevice::WriteOnly));
        script.write("#!/bin/sh\nlog='" + QFile::encodeName(startsFolder()) +
                     "/'$$\nprintf '%s\\n' \"$@\" > \"$log.part\" && mv \"$log.part\" \"$log\"\n");
        script.close();
        script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        qputenv("PATH", QFile::encodeName(bin_.path()) + ":" + oldPath_);
    }
    ~StandInFileManager() { qputenv("PATH", oldPath_); }

    // Waits for this many starts to be recorded and hands them over, each as its arguments.
    std::vector<QStringList> takeStarts(std::size_t count) {
        const QDir starts(startsFolder());
        QDeadlineTimer deadline(10000);
        QStringList done;
        do {
            done = starts.entryList(QDir::Files);
            done.removeIf(
                [](const QString& name) { return name.endsWith(QLatin1String(".part")); });
            if (static_cast<std::size_t>(done.size()) >= count) break;
            QTest::qWait(20);
        } while (!deadline.hasExpired());
        std::vector<QStringList> result;
        for (const QString& name : done) {
            QFile log(starts.filePath(name));
            EXPECT_TRUE(log.open(QIODevice::ReadOnly));
            QStringList arguments = QString::fromUtf8(log.readAll()).split(u'\n');
            arguments.removeLast();  // after the last line's end
            result.push_back(arguments);
            log.close();
            log.remove();
        }
        return result;
    }

  private:
    QString startsFolder() const { return bin_.filePath(QStringLiteral("starts")); }

    QTemporaryDir bin_;
    QByteArray oldPath_;
};

QStringList oneArgument(const QString& argument) {
    return QStringList{argument};
}

}  // namespace

TEST(OutputFolders, EachButtonOpensItsFolderAsOneArgumentEveryPress) {
    StandInFileManager fileManager;
    QTemporaryDir root;
    // Blanks and letters beyond ASCII: still one argument, as it is.
    const QString programFolder = root.filePath(QStringLiteral("Mis fotos/ñandú conversión"));
    ASSERT_TRUE(QDir().mkpath(programFolder));
    DesktopInFolder desktop(programFolder);
    Form1 f(desktop);

    f.Command3(0).click();
    auto starts = fileManager.takeStarts(1);
    EXPECT_EQ(starts, std::vector{oneArgument(programFolder + QStringLiteral("/DestinoJPG"))});

    f.Command3(1).click();
    starts = fileManager.takeStarts(1);
    EXPECT_EQ(starts, std::vector{oneArgument(programFolder + QStringLiteral("/DestinoBMP"))});

    // Each press starts its own file manager.
    f.Command3(0).click();
    f.Command3(0).click();
    starts = fileManager.takeStarts(2);
    const QStringList jpg = oneArgument(programFolder + QStringLiteral("/DestinoJPG"));
    EXPECT_EQ(starts, (std::vector{jpg, jpg}));

    // Nobody checked or made the output folders.
    EXPECT_TRUE(QDir(programFolder).isEmpty());
}

TEST(OutputFolders, AFileManagerThatCannotStartIsPassedOverSilently) {
    QTemporaryDir emptyBin;
    const QByteArray oldPath = qgetenv("PATH");
    qputenv("PATH", QFile::encodeName(emptyBin.path()));
    ProgramFolder program;
    struct Recording : DesktopInFolder {
        using DesktopInFolder::DesktopInFolder;
        void messageBox(QWidget*, const QString& text, const QString&) override {
            messages << text;
        }
        QStringList messages;
    } desktop(program.path());
    Form1 f(desktop);
    const QStringList before = describeWindow(f);

    f.Command3(0).click();
    f.Command3(1).click();
    qputenv("PATH", oldPath);

    EXPECT_TRUE(desktop.messages.isEmpty());
    EXPECT_EQ(describeWindow(f), before);
}

TEST(OutputFolders, AFolderStartingWithADashIsNotTakenForAnOption) {
    FakeSystem system(QStringLiteral("/velaria"));
    toolkit::openInFileManager(system, QStringLiteral("-DestinoJPG"));
    toolkit::openInFileManager(system, QStringLiteral("/a b/-DestinoJPG"));
    ASSERT_EQ(system.started.size(), 2u);
    EXPECT_EQ(system.started[0].arguments, oneArgument(QStringLiteral("./-DestinoJPG")));
    EXPECT_EQ(system.started[1].arguments, oneArgument(QStringLiteral("/a b/-DestinoJPG")));
}

TEST(AboutBox, OneModalBoxTitledVelariaWithASingleOkAndNothingChanges) {
    ProgramFolder program;
    program.addSample(80, 60);
    DesktopInFolder desktop(program.path());
    Form1 f(desktop);
    f.Form_Load();
    f.show();
    const QStringList before = describeWindow(f);

    QString title, text;
    int buttons = 0, boxes = 0;
    bool ok = false, noIcon = false, modal = false;
    ModalDriver answer([&](QWidget* shown) {
        auto* box = qobject_cast<QMessageBox*>(shown);
        if (!box) return shown->close(), void();
        const QWidgetList windows = QApplication::topLevelWidgets();
        boxes = static_cast<int>(std::count_if(windows.begin(), windows.end(), [](QWidget* w) {
            return w->isVisible() && qobject_cast<QMessageBox*>(w);
        }));
        title = box->windowTitle();
        text = box->text();
        buttons = static_cast<int>(box->buttons().size());
        ok = box->standardButtons() == QMessageBox::Ok;
        noIcon = box->icon() == QMessageBox::NoIcon;
        modal = box->isModal();
        QTest::mouseClick(box->button(QMessageBox::Ok), Qt::LeftButton);
    });
    f.Command4->click();

    ASSERT_TRUE(answer.ran());
    EXPECT_EQ(boxes, 1);
    EXPECT_EQ(title, QStringLiteral("Velaria"));
    EXPECT_EQ(text, QStringLiteral("Velaria 1.0\n\nRedimensiona todas las imágenes de una "
                                   "carpeta.\n\nAutores: el equipo de Velaria"));
    EXPECT_EQ(buttons, 1);
    EXPECT_TRUE(ok);
    EXPECT_TRUE(noIcon);
    EXPECT_TRUE(modal);
    EXPECT_EQ(describeWindow(f), before);
}
