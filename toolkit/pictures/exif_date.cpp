#include "toolkit/pictures/exif_date.h"

#include <libexif/exif-data.h>
#include <libexif/exif-loader.h>

#include <algorithm>
#include <memory>

#include "dijpg/date_forms.h"

namespace toolkit {

namespace {

struct ExifRelease {
    void operator()(ExifLoader* loader) const { exif_loader_unref(loader); }
    void operator()(ExifData* data) const { exif_data_unref(data); }
};

// The loader stops by itself at the EXIF block or at the first segment past where it could be.
constexpr qint64 kReadStep = 4096;

// The EXIF block of a JPEG file's bytes, as libexif's loader finds it, or nothing.
QByteArray exifBlock(const uchar* bytes, qint64 size) {
    if (size < 2 || bytes[0] != 0xFF || bytes[1] != 0xD8) return {};
    const std::unique_ptr<ExifLoader, ExifRelease> loader(exif_loader_new());
    if (!loader) return {};
    for (qint64 at = 0; at < size; at += kReadStep) {
        // The loader takes its input as writable, but only reads it.
        auto* step = const_cast<unsigned char*>(bytes + at);
        if (!exif_loader_write(loader.get(), step, unsigned(std::min(kReadStep, size - at)))) break;
    }
    const unsigned char* block = nullptr;
    unsigned int blockSize = 0;
    exif_loader_get_buf(loader.get(), &block, &blockSize);
    return block ? QByteArray(reinterpret_cast<const char*>(block), qsizetype(blockSize))
                 : QByteArray();
}

// An ASCII field of the EXIF sub-IFD up to its NUL, without the blanks some cameras pad with.
QByteArray textField(ExifData* data, ExifTag tag) {
    const ExifEntry* entry = exif_content_get_entry(data->ifd[EXIF_IFD_EXIF], tag);
    if (!entry || entry->format != EXIF_FORMAT_ASCII || !entry->data) return {};
    QByteArray text(reinterpret_cast<const char*>(entry->data), qsizetype(entry->size));
    if (const qsizetype nul = text.indexOf('\0'); nul >= 0) text.truncate(nul);
    return text.trimmed();
}

template <class Form>
QByteArray inForm(QByteArray field, Form isInForm) {
    return isInForm(std::string_view(field.constData(), size_t(field.size()))) ? field
                                                                               : QByteArray();
}

}  // namespace

PhotoDate readPhotoDate(const QByteArray& format, const uchar* bytes, qint64 size) noexcept {
    try {
        if (format != "jpeg" || !bytes) return {};
        const QByteArray block = exifBlock(bytes, size);
        if (block.isEmpty()) return {};
        // Taken as stored: following the standard would have libexif add the fields it calls
        // mandatory, with made-up values, when they are missing.
        const std::unique_ptr<ExifData, ExifRelease> data(exif_data_new());
        if (!data) return {};
        exif_data_unset_option(data.get(), EXIF_DATA_OPTION_FOLLOW_SPECIFICATION);
        exif_data_load_data(data.get(), reinterpret_cast<const unsigned char*>(block.constData()),
                            unsigned(block.size()));
        PhotoDate date;
        date.taken = inForm(textField(data.get(), EXIF_TAG_DATE_TIME_ORIGINAL), dijpg::isTakenForm);
        if (date.isEmpty()) return {};
        date.subSeconds =
            inForm(textField(data.get(), EXIF_TAG_SUB_SEC_TIME_ORIGINAL), dijpg::isSubSecondsForm);
        date.offset =
            inForm(textField(data.get(), EXIF_TAG_OFFSET_TIME_ORIGINAL), dijpg::isOffsetForm);
        return date;
    } catch (...) {
        return {};
    }
}

}  // namespace toolkit
