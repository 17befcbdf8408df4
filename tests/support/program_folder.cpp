#include "program_folder.h"

#include <QDir>
#include <QFile>
#include <QPainter>

ProgramFolder::ProgramFolder() {
    QDir(dir_.path()).mkpath(QStringLiteral("DestinoJPG"));
    QDir(dir_.path()).mkpath(QStringLiteral("DestinoBMP"));
}

void ProgramFolder::addWriterLibrary() {
    const QDir built(QStringLiteral(VELARIA_BUILT_PROGRAM_DIR));
    for (const QString& name : built.entryList({QStringLiteral("*DIjpg*")}, QDir::Files))
        QFile::copy(built.filePath(name), file(name));
}

void ProgramFolder::addSample(int width, int height) {
    quadrantPicture(width, height).save(file(QStringLiteral("muestra.jpg")), "JPG", 95);
}

void ProgramFolder::addSampleBytes(const QByteArray& bytes) {
    QFile out(file(QStringLiteral("muestra.jpg")));
    if (out.open(QIODevice::WriteOnly)) out.write(bytes);
}

QImage quadrantPicture(int width, int height) {
    QImage picture(width, height, QImage::Format_RGB32);
    QPainter painter(&picture);
    const int halfW = width / 2, halfH = height / 2;
    painter.fillRect(0, 0, halfW, halfH, QColor(220, 30, 30));
    painter.fillRect(halfW, 0, width - halfW, halfH, QColor(30, 200, 30));
    painter.fillRect(0, halfH, halfW, height - halfH, QColor(30, 30, 220));
    painter.fillRect(halfW, halfH, width - halfW, height - halfH, QColor(230, 230, 40));
    return picture;
}

QString corpusDir() {
    const QString dir = QStringLiteral(VELARIA_CORPUS_DIR);
    return QDir(dir).exists() ? dir : QString();
}
