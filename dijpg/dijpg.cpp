// The JPEG writer behind DIWriteJpg: the scratch BMP read whole, encoded on libjpeg's API.

#include "dijpg_export.h"
// The export header must come first: it defines DIJPG_EXPORT for dijpg.h.

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "dijpg.h"
#include "dijpg/jpeg_encoding.h"
#include "dijpg/scratch_bmp.h"
#include "exif_date.h"
#include "toolkit/system/narrow_files.h"
#include "toolkit/system/process_id.h"

namespace {

std::string scratchPath;

unsigned long long randomNumber() {
    static std::atomic<unsigned long long> counter = 0;
    ++counter;
    try {
        std::random_device device;
        return (static_cast<unsigned long long>(device()) << 32) ^ device() ^ counter;
    } catch (...) {
        // Exclusive creation is what makes the name safe; the randomness only avoids retries.
        return counter.load() ^ reinterpret_cast<std::uintptr_t>(&counter);
    }
}

// Creates a new file in the destination's folder under a short random name that carries the
// process id (so that a later start can clear what a killed run left), failing rather
// than opening anything that already stands there (a file or a planted link). The name does
// not grow with the destination's: a destination whose name is as long as the file system
// allows must still get its temporary file.
std::FILE* createTemporaryBeside(const std::string& destination, std::string& name) {
    const std::string folder = toolkit::folderWithSeparator(destination);
    for (int attempt = 0; attempt < 64; ++attempt) {
        char own[64];
        std::snprintf(own, sizeof own, ".dijpg-%lld-%016llx.tmp", toolkit::currentProcessId(),
                      randomNumber());
        name = folder + own;
        errno = 0;
        if (std::FILE* file = toolkit::createNewFile(name.c_str())) return file;
        if (errno != EEXIST) return nullptr;
    }
    return nullptr;
}

// Where an EXIF segment goes: right after the start of image and the encoder's JFIF segment,
// where readers look for it.
unsigned long metadataPlace(const unsigned char* jpeg, unsigned long size) {
    unsigned long place = 2;
    if (size >= place + 4 && jpeg[place] == 0xFF && jpeg[place + 1] == 0xE0)
        place += 2 + (static_cast<unsigned long>(jpeg[place + 2]) << 8 | jpeg[place + 3]);
    return place <= size ? place : size;
}

// The encoded JPEG, with the metadata segment (if any) in its place, in one file.
bool writeJpeg(std::FILE* file, const unsigned char* jpeg, unsigned long size,
               const std::vector<unsigned char>& metadata) {
    const unsigned long place = metadata.empty() ? size : metadataPlace(jpeg, size);
    return std::fwrite(jpeg, 1, place, file) == place &&
           (metadata.empty() ||
            std::fwrite(metadata.data(), 1, metadata.size(), file) == metadata.size()) &&
           std::fwrite(jpeg + place, 1, size - place, file) == size - place;
}

int32_t writeWhole(const std::string& destination, const unsigned char* data, unsigned long size,
                   const std::vector<unsigned char>& metadata) {
    std::string temporary;
    std::FILE* file = createTemporaryBeside(destination, temporary);
    if (!file) return DIJPG_ERROR_WRITE;
    const bool written = writeJpeg(file, data, size, metadata) && std::fflush(file) == 0;
    const bool closed = std::fclose(file) == 0;
    if (!written || !closed) {
        std::remove(temporary.c_str());
        return DIJPG_ERROR_WRITE;
    }
    if (!toolkit::replaceFileWith(temporary.c_str(), destination.c_str())) {
        std::remove(temporary.c_str());
        return DIJPG_ERROR_REPLACE;
    }
    return DIJPG_OK;
}

int32_t encode(const char* scratch, const char* destination, int32_t quality, int32_t progressive,
               const DIPhotoDate* date = nullptr) {
    if (!destination || !*destination || quality < 1 || quality > 100) return DIJPG_ERROR_ARGUMENT;
    std::vector<unsigned char> metadata;
    if (date && !dijpg::exifDateSegment(*date, metadata)) return DIJPG_ERROR_ARGUMENT;

    dijpg::ScratchPicture picture;
    if (const int32_t read = dijpg::readScratchBmp(scratch, picture); read != DIJPG_OK) return read;
    dijpg::EncodedJpeg jpeg;
    if (const int32_t encoded = dijpg::encodeJpeg(picture, quality, progressive != 0, jpeg);
        encoded != DIJPG_OK)
        return encoded;
    return writeWhole(destination, jpeg.bytes.get(), jpeg.size, metadata);
}

}  // namespace

extern "C" DIJPG_EXPORT int32_t DISetScratchPath(const char* path) {
    if (!path || !*path) return DIJPG_ERROR_ARGUMENT;
    try {
        scratchPath = path;
    } catch (...) {
        return DIJPG_ERROR_MEMORY;
    }
    return DIJPG_OK;
}

extern "C" DIJPG_EXPORT int32_t DIWriteJpg(const char* destination, int32_t quality,
                                           int32_t progressive) {
    // Nothing may escape into a C caller.
    try {
        if (!destination || !*destination || quality < 1 || quality > 100)
            return DIJPG_ERROR_ARGUMENT;
        if (scratchPath.empty()) return DIJPG_ERROR_NO_SCRATCH;
        return encode(scratchPath.c_str(), destination, quality, progressive);
    } catch (...) {
        return DIJPG_ERROR_ENCODE;
    }
}

extern "C" DIJPG_EXPORT int32_t DIWriteJpgFrom(const char* scratch, const char* destination,
                                               int32_t quality, int32_t progressive) {
    if (!scratch || !*scratch) return DIJPG_ERROR_ARGUMENT;
    try {
        return encode(scratch, destination, quality, progressive);
    } catch (...) {
        return DIJPG_ERROR_ENCODE;
    }
}

extern "C" DIJPG_EXPORT int32_t DIWriteJpgDated(const char* scratch, const char* destination,
                                                int32_t quality, int32_t progressive,
                                                const DIPhotoDate* date) {
    if (!scratch || !*scratch) return DIJPG_ERROR_ARGUMENT;
    try {
        return encode(scratch, destination, quality, progressive, date);
    } catch (...) {
        return DIJPG_ERROR_ENCODE;
    }
}
