#include "convert/batch/program_folder_check.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace {

QStringList entries(const QString& folder) {
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
}

// True when this user can create files in a folder whose permission bits forbid it, as root can.
bool permissionBitsDoNotBind(const QString& folder) {
    QFile probe(folder + QStringLiteral("/probe"));
    const bool written = probe.open(QIODevice::WriteOnly);
    if (written) probe.remove();
    return written;
}

}  // namespace

TEST(ProgramFolderCheck, AWritableFolderPassesAndKeepsNoTrace) {
    QTemporaryDir folder;
    QDir(folder.path()).mkdir(QStringLiteral("DestinoJPG"));
    QDir(folder.path()).mkdir(QStringLiteral("DestinoBMP"));
    EXPECT_EQ(convert::outputFoldersProblem(folder.path()), QString());
    EXPECT_EQ(entries(folder.path()), QStringList({"DestinoBMP", "DestinoJPG"}));
    EXPECT_TRUE(entries(folder.path() + "/DestinoJPG").isEmpty());

    // Missing output folders are fine where they could be made; the check makes none.
    QTemporaryDir bare;
    EXPECT_EQ(convert::outputFoldersProblem(bare.path()), QString());
    EXPECT_TRUE(entries(bare.path()).isEmpty());
}

TEST(ProgramFolderCheck, AFileInPlaceOfAnOutputFolderIsNamed) {
    QTemporaryDir folder;
    QDir(folder.path()).mkdir(QStringLiteral("DestinoJPG"));
    QFile file(folder.path() + QStringLiteral("/DestinoBMP"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();

    const QString message = convert::outputFoldersProblem(folder.path());
    EXPECT_TRUE(message.contains(QDir::toNativeSeparators(folder.path() + "/DestinoBMP") +
                                 QStringLiteral("» no es una carpeta")))
        << message.toStdString();
    // Only JPEG output asked for: the BMP folder does not matter.
    EXPECT_EQ(convert::outputFoldersProblem(folder.path(), {QStringLiteral("DestinoJPG")}),
              QString());
}

// A folder no user may write in, whoever runs the test: the process file system.
TEST(ProgramFolderCheck, AFolderNobodyCanWriteInGivesOneMessageWithTheWayOut) {
    const QString readOnly = QStringLiteral("/proc");
    if (!QDir(readOnly).exists()) GTEST_SKIP() << "this system has no /proc";

    const QString message = convert::outputFoldersProblem(readOnly);
    // Paths are shown with the system's own separator.
    EXPECT_TRUE(message.startsWith(
        QStringLiteral("No se pueden guardar las imágenes convertidas: no se puede crear la "
                       "carpeta «%1».")
            .arg(QDir::toNativeSeparators(QStringLiteral("/proc/DestinoJPG")))))
        << message.toStdString();
    EXPECT_TRUE(message.contains(QStringLiteral("dentro de su propia carpeta «%1»")
                                     .arg(QDir::toNativeSeparators(readOnly))));
    EXPECT_TRUE(message.contains(QStringLiteral("make install")));
    EXPECT_TRUE(message.contains(QStringLiteral("administrador")));
}

TEST(ProgramFolderCheck, ReadOnlyOutputFolderIsNamedAndLeftUntouched) {
    QTemporaryDir folder;
    const QString jpg = folder.path() + QStringLiteral("/DestinoJPG");
    QDir(folder.path()).mkdir(QStringLiteral("DestinoJPG"));
    QDir(folder.path()).mkdir(QStringLiteral("DestinoBMP"));
    QFile::setPermissions(jpg, QFile::ReadOwner | QFile::ExeOwner);
    if (permissionBitsDoNotBind(jpg)) {
        QFile::setPermissions(jpg, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        GTEST_SKIP() << "this user (root) writes in read-only folders; the /proc test stands in";
    }

    const QString message = convert::outputFoldersProblem(folder.path());
    QFile::setPermissions(jpg, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    EXPECT_TRUE(message.contains(QStringLiteral("no se puede escribir en la carpeta «%1»")
                                     .arg(QDir::toNativeSeparators(jpg))))
        << message.toStdString();
    EXPECT_TRUE(entries(jpg).isEmpty());
}
