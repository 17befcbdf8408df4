#pragma once

#include <QFile>
#include <QImageReader>

#include "toolkit/pictures/picture_file.h"

// Inside the pictures library: opening a picture file and checking its header, shared by reading
// the header alone and reading the picture.
namespace toolkit {

[[noreturn]] void refusePicture(const QString& path, const QString& reason);

// The reader's fault in words the user can act on.
QString readerReason(const QImageReader& reader);

bool withinWholeDecodeBounds(qint64 w, qint64 h);

QSize upright(QSize stored, QImageIOHandler::Transformations transformation);

// A picture file opened for reading, its header read and checked: every refusal that can be
// made without decoding pixels is made here.
struct OpenedPicture {
    QFile file;
    QImageReader reader;
    PictureHeader header;
    // The whole file, or null where it cannot be mapped. Decoders and the checks of the file's
    // structure read it there rather than through the reader's device.
    const uchar* mapped = nullptr;

    explicit OpenedPicture(const QString& path);
    ~OpenedPicture();
    OpenedPicture(const OpenedPicture&) = delete;
    OpenedPicture& operator=(const OpenedPicture&) = delete;

    // What the decoder could not see, from the file's bytes (the mapping, or when the file
    // could not be mapped a copy): whether the file holds its whole picture, and the colour
    // profile it carries. The reader reads the same file, so it is left where the reader was.
    template <typename Look>
    auto lookInto(Look look) {
        if (mapped) return look(header.format, mapped, header.fileSize);
        const qint64 readerAt = file.pos();
        const QByteArray bytes = file.seek(0) ? file.readAll() : QByteArray();
        file.seek(readerAt);
        return look(header.format, reinterpret_cast<const uchar*>(bytes.constData()),
                    qint64(bytes.size()));
    }

  private:
    void readSize(const QString& path);
    void readLayout();
};

}  // namespace toolkit
