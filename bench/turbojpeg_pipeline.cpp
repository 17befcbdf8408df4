// The floor the real run is measured against: a plain loop, no window, no scratch file and no
// writer library. Each picture is decoded (a JPEG at the decoder's reduced scale), scaled to
// 1024 pixels wide and encoded as a progressive JPEG of quality 90, its colour halved both ways
// (4:2:0) as the library does by default, or kept whole (4:4:4) as Velaria writes at quality 90.
//   turbojpeg_pipeline [--444] [--width W] OUTPUT_FOLDER PICTURE...

#include <turbojpeg.h>

#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "toolkit/pictures/scaled_jpeg.h"

// The picture decoded no finer than `width` pixels across needs (a JPEG at the decoder's reduced
// scale), and the size it is to be scaled to.
QImage decoded(QFile& file, int width, QSize& target) {
    QImageReader reader(&file);
    const QSize stored = reader.size();
    target = QSize(width, int(qint64(width) * stored.height() / stored.width()));
    if (reader.format() != "jpeg") return reader.read().convertToFormat(QImage::Format_RGB32);
    const qint64 size = file.size();
    const uchar* bytes = file.map(0, size);
    return toolkit::decodeJpegReduced(bytes, size, toolkit::jpegReductionFor(stored, target));
}

int main(int argc, char** argv) {
    int sampling = TJSAMP_420;
    if (argc > 1 && std::strcmp(argv[1], "--444") == 0) {
        sampling = TJSAMP_444;
        --argc;
        ++argv;
    }
    int width = 1024;
    if (argc > 2 && std::strcmp(argv[1], "--width") == 0) {
        width = std::atoi(argv[2]);
        argc -= 2;
        argv += 2;
    }
    if (argc < 3 || width <= 0) {
        std::fprintf(stderr,
                     "usage: turbojpeg_pipeline [--444] [--width W] OUTPUT_FOLDER PICTURE...\n");
        return 2;
    }
    QImageReader::setAllocationLimit(1024);
    tjhandle encoder = tjInitCompress();
    int failed = 0;
    for (int i = 2; i < argc; ++i) {
        const QString path = QString::fromLocal8Bit(argv[i]);
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) {
            ++failed;
            continue;
        }
        QSize target;
        const QImage picture = decoded(file, width, target);
        if (picture.isNull()) {
            ++failed;
            continue;
        }
        // Qt's own area-averaging scaling: the floor stays what it was, whatever filter the
        // program itself uses.
        const QImage scaled =
            picture.scaled(target, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                .convertToFormat(QImage::Format_RGB32);
        unsigned char* jpeg = nullptr;
        unsigned long jpegSize = 0;
        if (tjCompress2(encoder, scaled.constBits(), scaled.width(), int(scaled.bytesPerLine()),
                        scaled.height(), TJPF_BGRX, &jpeg, &jpegSize, sampling, 90,
                        TJFLAG_PROGRESSIVE) != 0) {
            ++failed;
            continue;
        }
        QFile out(QString::fromLocal8Bit(argv[1]) + QLatin1Char('/') +
                  QFileInfo(path).completeBaseName() + QStringLiteral(".jpg"));
        if (!out.open(QIODevice::WriteOnly) ||
            out.write(reinterpret_cast<char*>(jpeg), qint64(jpegSize)) != qint64(jpegSize))
            ++failed;
        tjFree(jpeg);
    }
    tjDestroy(encoder);
    return failed == 0 ? 0 : 1;
}
