#include "convert/batch/output_names.h"

#include <gtest/gtest.h>

using namespace convert;

TEST(OutputNames, PicturesAreTakenByTheirLastThreeLetters) {
    struct Row {
        const char* name;
        bool picture;
        const char* jpeg;
        const char* bmp;
    };
    const Row rows[] = {
        {"FOTO.JPG", true, "/p/DestinoJPG/FOTO.jpg", "/p/DestinoBMP/FOTO.bmp"},
        {"foto.jpg", true, "/p/DestinoJPG/foto.jpg", "/p/DestinoBMP/foto.bmp"},
        {"Foto.Jpg", true, "/p/DestinoJPG/Foto.jpg", "/p/DestinoBMP/Foto.bmp"},
        {"mapa.gif", true, "/p/DestinoJPG/mapa.jpg", "/p/DestinoBMP/mapa.bmp"},
        {"plano.BMP", true, "/p/DestinoJPG/plano.jpg", "/p/DestinoBMP/plano.bmp"},
        {"fotoJPG", true, "/p/DestinoJPG/fotojpg", "/p/DestinoBMP/fotobmp"},
        {"niño año.JPG", true, "/p/DestinoJPG/niño año.jpg", "/p/DestinoBMP/niño año.bmp"},
        {"jpg", true, "/p/DestinoJPG/jpg", "/p/DestinoBMP/bmp"},
        {"foto.jpeg", false, nullptr, nullptr},
        {"foto.png", false, nullptr, nullptr},
        {"foto.jpg.txt", false, nullptr, nullptr},
        {"pg", false, nullptr, nullptr},
        {"", false, nullptr, nullptr},
    };
    for (const Row& row : rows) {
        const QString name = QString::fromUtf8(row.name);
        SCOPED_TRACE(row.name);
        EXPECT_EQ(isPictureName(name), row.picture);
        if (!row.picture) continue;
        EXPECT_EQ(jpegOutputPath(QStringLiteral("/p"), name), QString::fromUtf8(row.jpeg));
        EXPECT_EQ(bmpOutputPath(QStringLiteral("/p"), name), QString::fromUtf8(row.bmp));
    }
}

TEST(OutputNames, SeparatorsAreAlwaysAddedEvenAfterARoot) {
    EXPECT_EQ(jpegOutputPath(QStringLiteral("/"), QStringLiteral("a.gif")),
              QStringLiteral("//DestinoJPG/a.jpg"));
    EXPECT_EQ(bmpFolderPath(QStringLiteral("C:/")), QStringLiteral("C://DestinoBMP"));
    EXPECT_EQ(sourcePath(QStringLiteral("/fotos/"), QStringLiteral("a.jpg")),
              QStringLiteral("/fotos//a.jpg"));
    EXPECT_EQ(sourcePath(QStringLiteral("/fotos"), QStringLiteral("a.jpg")),
              QStringLiteral("/fotos/a.jpg"));
}

TEST(OutputNames, StemKeepsEverythingButTheLastThreeCharacters) {
    EXPECT_EQ(outputStem(QStringLiteral("a.b.gif")), QStringLiteral("a.b."));
    EXPECT_EQ(outputStem(QStringLiteral("ab")), QString());
}
