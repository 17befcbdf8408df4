// File names as people and other programs make them: each one converts under its own name into
// the output folders, or is reported by name; none escapes the output folders.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <QDir>
#include <QFile>

#include "convert/batch/output_names.h"
#include "support/conversion_run.h"
#include "support/picture_files.h"
#include "support/qt_printers.h"
#include "toolkit/pictures/picture_file.h"
#include "toolkit/system/jpeg_writer.h"

namespace {

std::string text(const QString& value) {
    return value.toStdString();
}

// The files directly in a folder, as the bytes of their names.
QList<QByteArray> rawNames(const QString& folder) {
    QList<QByteArray> names;
    for (const QString& name : allFilesUnder(folder)) names << QFile::encodeName(name);
    return names;
}

}  // namespace

TEST(Names, EveryNameConvertsUnderItsOwnNameInsideTheOutputFolders) {
    ConversionRun run;
    const QString longest = QString(251, QLatin1Char('x')) + QStringLiteral(".jpg");  // 255 bytes
    const QString longestWide = QString(83, QChar(0x5199)) + QStringLiteral(".gif");  // 253 bytes
    const QStringList names{
        QStringLiteral("niño año.JPG"),
        QStringLiteral("caf\u00e9.gif"),   // é as one character
        QStringLiteral("cafe\u0301.gif"),  // e and a combining accent: another file
        QStringLiteral("写真.bmp"),
        QStringLiteral("🌅 amanecer.jpg"),
        QStringLiteral(" espacio delante.jpg"),
        QStringLiteral("espacio detrás .gif"),
        QStringLiteral("-x.jpg"),
        QStringLiteral("--help.jpg"),
        QStringLiteral("a..jpg"),
        QStringLiteral("x\\..\\..\\fuera.jpg"),  // one name: a backslash separates nothing here
        QStringLiteral("línea\nnueva.jpg"),
        QStringLiteral("jpg"),
        longest,
        longestWide,
    };
    for (const QString& name : names) {
        ASSERT_LE(QFile::encodeName(name).size(), 255) << text(name);
        const QImage picture = quadrantPicture(64, 48);
        run.add(name,
                name.endsWith(QStringLiteral("bmp")) ? bmpBytes(picture) : jpegBytes(picture));
    }
    const QStringList programBefore = allFilesUnder(run.program.path());
    const QStringList sourceBefore = allFilesUnder(run.source.path());
    run.convert();

    EXPECT_EQ(run.message(), QString()) << text(run.message());
    QStringList jpegs, bmps;
    for (const QString& name : names) {
        SCOPED_TRACE(text(name));
        jpegs << convert::outputStem(name) + QStringLiteral("jpg");
        bmps << convert::outputStem(name) + QStringLiteral("bmp");
        for (const QString& output : {run.jpegFolder() + QLatin1Char('/') + jpegs.back(),
                                      run.bmpFolder() + QLatin1Char('/') + bmps.back()}) {
            ASSERT_TRUE(QFileInfo(output).isFile()) << text(output);
            EXPECT_EQ(toolkit::loadWholePictureFile(output).size(), QSize(441, 331));
        }
    }
    jpegs.sort();
    bmps.sort();
    EXPECT_EQ(run.jpegs().join(u'|').toStdString(), jpegs.join(u'|').toStdString());
    EXPECT_EQ(run.bmps().join(u'|').toStdString(), bmps.join(u'|').toStdString());
    // Nothing was written anywhere but in the two output folders, directly.
    QStringList expected = programBefore;
    for (const QString& name : jpegs) expected << QStringLiteral("DestinoJPG/") + name;
    for (const QString& name : bmps) expected << QStringLiteral("DestinoBMP/") + name;
    expected.sort();
    EXPECT_EQ(allFilesUnder(run.program.path()), expected);
    EXPECT_EQ(allFilesUnder(run.source.path()), sourceBefore);
    EXPECT_TRUE(run.temporary.files().isEmpty());
    // A second run replaces them all, the names as long as the system allows too.
    run.press();
    EXPECT_EQ(run.message(), QString()) << text(run.message());
    EXPECT_EQ(allFilesUnder(run.program.path()), expected);
}

TEST(Names, ANameThatIsNotValidTextIsListedAndReportedAndWritesNothing) {
    ConversionRun run;
    const QByteArray picture = jpegBytes(quadrantPicture(64, 48));
    run.add(QStringLiteral("a.jpg"), picture);
    run.add(QStringLiteral("z.jpg"), picture);
    // Latin-1 bytes from an old camera or archive: not UTF-8, so no text names them.
    const QByteArray raw = QFile::encodeName(run.source.path()) + "/foto-a\xf1o-\xff.jpg";
    const int fd = ::open(raw.constData(), O_CREAT | O_WRONLY | O_EXCL, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::write(fd, picture.constData(), size_t(picture.size())), picture.size());
    ::close(fd);
    // Qt cannot remove what it cannot name.
    struct Remove {
        QByteArray path;
        ~Remove() { ::unlink(path.constData()); }
    } removeAtTheEnd{raw};
    run.convert();

    // Listed where its name sorts, with replacement characters for the bytes that are not text.
    ASSERT_EQ(run.form.File1->listCount(), 3);
    const QString shown = run.form.File1->list(1);
    EXPECT_TRUE(shown.startsWith(QStringLiteral("foto-a"))) << text(shown);
    EXPECT_TRUE(shown.contains(QChar::ReplacementCharacter)) << text(shown);
    const auto reported = run.reported({shown});
    ASSERT_EQ(reported.size(), 1u) << text(run.message());
    EXPECT_TRUE(reported.begin()->second.contains(QStringLiteral("caracteres no válidos")))
        << text(reported.begin()->second);
    // No output under a name made up from the replacement characters.
    EXPECT_EQ(run.jpegs(), (QStringList{"a.jpg", "z.jpg"}));
    EXPECT_EQ(run.bmps(), (QStringList{"a.bmp", "z.bmp"}));
    for (const QString& folder : {run.jpegFolder(), run.bmpFolder()})
        for (const QByteArray& name : rawNames(folder))
            EXPECT_FALSE(name.contains("\xEF\xBF\xBD")) << name.toStdString();
    EXPECT_FALSE(run.system.endStatus.has_value());
}

TEST(Names, DeepFoldersConvertAndAnOutputPathTooLongForTheSystemIsReported) {
    ConversionRun run;
    // Folders nested to some 3000 bytes, for the program and for the pictures.
    const QString segment = QStringLiteral("carpeta-con-un-nombre-largo-") + QString(100, u'ñ');
    QString deepProgram = run.program.path(), deepSource = run.source.path();
    for (int i = 0; i < 12; ++i) {
        deepProgram += QLatin1Char('/') + segment;
        deepSource += QLatin1Char('/') + segment;
    }
    ASSERT_GT(QFile::encodeName(deepProgram).size(), 2700);
    for (const QString& folder : {deepProgram + QStringLiteral("/DestinoJPG"),
                                  deepProgram + QStringLiteral("/DestinoBMP"), deepSource})
        ASSERT_TRUE(QDir().mkpath(folder)) << text(folder);
    ASSERT_TRUE(
        QFile::copy(run.program.file(toolkit::JpegWriter::libraryFileName()),
                    deepProgram + QLatin1Char('/') + toolkit::JpegWriter::libraryFileName()));
    const QString name = QString(200, QLatin1Char('n')) + QStringLiteral(".jpg");
    writeBytes(deepSource + QLatin1Char('/') + name, jpegBytes(quadrantPicture(64, 48)));
    run.system.folder = deepProgram;
    run.form.File1->setPath(deepSource);
    run.convert();

    EXPECT_EQ(run.message(), QString()) << text(run.message());
    EXPECT_EQ(toolkit::loadWholePictureFile(deepProgram + QStringLiteral("/DestinoJPG/") +
                                            convert::outputStem(name) + QStringLiteral("jpg"))
                  .size(),
              QSize(441, 331));

    // Deeper still: the source can be read, but no output path fits in what the system takes.
    QString deeper = deepProgram;
    while (QFile::encodeName(deeper).size() < 3900)
        deeper += QStringLiteral("/") + segment.left(60);
    ASSERT_TRUE(QDir().mkpath(deeper)) << "cannot make a folder this deep here";
    ASSERT_TRUE(QFile::copy(run.program.file(toolkit::JpegWriter::libraryFileName()),
                            deeper + QLatin1Char('/') + toolkit::JpegWriter::libraryFileName()));
    run.system.folder = deeper;
    run.press();
    const auto reported = run.reported({name});
    ASSERT_EQ(reported.size(), 1u) << text(run.message());
    EXPECT_EQ(reported.begin()->second.count(QStringLiteral("la ruta es demasiado larga")), 2)
        << text(reported.begin()->second);
    EXPECT_FALSE(run.system.endStatus.has_value());
    EXPECT_TRUE(run.temporary.files().isEmpty());
}
