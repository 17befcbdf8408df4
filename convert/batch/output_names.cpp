#include "convert/batch/output_names.h"

namespace convert {

namespace {

const QString kSeparator = QStringLiteral("/");

}  // namespace

bool isPictureName(const QString& name) {
    const QString ending = name.right(3).toUpper();
    return ending == QLatin1String("JPG") || ending == QLatin1String("GIF") ||
           ending == QLatin1String("BMP");
}

QString outputStem(const QString& name) {
    return name.left(qMax<qsizetype>(0, name.size() - 3));
}

QString jpegFolderPath(const QString& programFolder) {
    return programFolder + kSeparator + QStringLiteral("DestinoJPG");
}

QString bmpFolderPath(const QString& programFolder) {
    return programFolder + kSeparator + QStringLiteral("DestinoBMP");
}

QString jpegOutputPath(const QString& programFolder, const QString& name) {
    return jpegFolderPath(programFolder) + kSeparator + outputStem(name) + QStringLiteral("jpg");
}

QString bmpOutputPath(const QString& programFolder, const QString& name) {
    return bmpFolderPath(programFolder) + kSeparator + outputStem(name) + QStringLiteral("bmp");
}

QString sourcePath(const QString& folder, const QString& name) {
    return folder + kSeparator + name;
}

}  // namespace convert
