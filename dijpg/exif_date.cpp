#include "exif_date.h"

#include <libexif/exif-data.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <string_view>

#include "date_forms.h"

namespace dijpg {

namespace {

struct ExifDataRelease {
    void operator()(ExifData* data) const { exif_data_unref(data); }
};
using OwnedExifData = std::unique_ptr<ExifData, ExifDataRelease>;

// A field of the EXIF sub-IFD, its bytes given (ASCII with its closing NUL, or UNDEFINED).
bool addEntry(ExifData* data, ExifTag tag, ExifFormat format, const void* bytes, unsigned size) {
    ExifEntry* entry = exif_entry_new();
    if (!entry) return false;
    entry->data = static_cast<unsigned char*>(std::malloc(size));
    if (!entry->data) {
        exif_entry_unref(entry);
        return false;
    }
    std::memcpy(entry->data, bytes, size);
    entry->tag = tag;
    entry->format = format;
    entry->components = size;
    entry->size = size;
    exif_content_add_entry(data->ifd[EXIF_IFD_EXIF], entry);
    exif_entry_unref(entry);
    return true;
}

bool addText(ExifData* data, ExifTag tag, std::string_view text) {
    return addEntry(data, tag, EXIF_FORMAT_ASCII, text.data(), unsigned(text.size()) + 1);
}

bool present(const char* field) {
    return field && *field;
}

bool inForm(const DIPhotoDate& date) {
    return present(date.taken) && isTakenForm(date.taken) &&
           (!present(date.subSeconds) || isSubSecondsForm(date.subSeconds)) &&
           (!present(date.offset) || isOffsetForm(date.offset));
}

// Only what is set here is written: a fresh block, not a source's block with parts removed, so
// nothing a camera or phone put there (location, serial numbers, maker notes, thumbnail,
// orientation) can come along. The version is the one that knows the offset fields.
OwnedExifData dateOnlyExif(const DIPhotoDate& date) {
    OwnedExifData data(exif_data_new());
    if (!data) return nullptr;
    exif_data_unset_option(data.get(), EXIF_DATA_OPTION_FOLLOW_SPECIFICATION);
    exif_data_set_byte_order(data.get(), EXIF_BYTE_ORDER_INTEL);
    bool built = addEntry(data.get(), EXIF_TAG_EXIF_VERSION, EXIF_FORMAT_UNDEFINED, "0232", 4) &&
                 addText(data.get(), EXIF_TAG_DATE_TIME_ORIGINAL, date.taken);
    if (built && present(date.subSeconds))
        built = addText(data.get(), EXIF_TAG_SUB_SEC_TIME_ORIGINAL, date.subSeconds);
    if (built && present(date.offset))
        built = addText(data.get(), EXIF_TAG_OFFSET_TIME_ORIGINAL, date.offset);
    return built ? std::move(data) : nullptr;
}

}  // namespace

bool exifDateSegment(const DIPhotoDate& date, std::vector<unsigned char>& segment) {
    segment.clear();
    if (!inForm(date)) return false;
    const OwnedExifData data = dateOnlyExif(date);
    if (!data) return false;
    unsigned char* bytes = nullptr;
    unsigned int size = 0;
    exif_data_save_data(data.get(), &bytes, &size);
    const std::unique_ptr<unsigned char, decltype(&std::free)> saved(bytes, &std::free);
    // The segment's length counts its own two bytes and must fit in them.
    if (!bytes || size == 0 || size + 2 > 0xFFFF) return false;
    const unsigned length = size + 2;
    segment = {0xFF, 0xE1, static_cast<unsigned char>(length >> 8),
               static_cast<unsigned char>(length & 0xFF)};
    segment.insert(segment.end(), bytes, bytes + size);
    return true;
}

}  // namespace dijpg
