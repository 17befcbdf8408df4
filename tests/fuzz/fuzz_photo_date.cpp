// The photo's date: any bytes taken for a JPEG's are handed to libexif, maker notes and all.
// Nothing may crash, hang or run out of memory.
#include <cstdint>

#include "toolkit/pictures/exif_date.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    toolkit::readPhotoDate("jpeg", data, qint64(size));
    return 0;
}
