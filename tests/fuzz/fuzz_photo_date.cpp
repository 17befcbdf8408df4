// The photo's date: any bytes in a file named like a photo are handed to libexif, maker notes
// and all. Nothing may crash, hang or run out of memory.
#include <cstdint>

#include "input_file.h"
#include "toolkit/pictures/exif_date.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    toolkit::readPhotoDate(inputAsFile(data, size, QStringLiteral("foto.jpg")));
    return 0;
}
