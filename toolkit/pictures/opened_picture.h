#pragma once

#include <QBuffer>
#include <QByteArray>
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

// How much of the file is read: its head (enough for the header's checks), or all of it.
enum class Reading { Head, Whole };

// A picture file opened for reading, its header read and checked: every refusal that can be
// made without decoding pixels is made here.
//
// The file's bytes are read into memory once, and every reader (the decoders, Qt's reader, the
// checks of the file's structure) reads that copy: a file that shrinks or changes while it is
// read (rewritten by a sync client, its share changed on the server, its card pulled) is then at
// worst a cut picture, never a fault of the process, as reading through a memory mapping of it
// would be; and every reader sees the same bytes.
struct OpenedPicture {
    QByteArray bytes;
    QBuffer device;
    QImageReader reader;
    PictureHeader header;

    OpenedPicture(const QString& path, Reading reading);
    OpenedPicture(const OpenedPicture&) = delete;
    OpenedPicture& operator=(const OpenedPicture&) = delete;

    const uchar* data() const { return reinterpret_cast<const uchar*>(bytes.constData()); }
    qint64 size() const { return bytes.size(); }
    // What the decoder could not see, from the file's bytes: whether the file holds its whole
    // picture, and the colour profile it carries.
    template <typename Look>
    auto lookInto(Look look) const {
        return look(header.format, data(), size());
    }

  private:
    void readSize(const QString& path);
    void readLayout(QFile& file, Reading reading);
};

}  // namespace toolkit
