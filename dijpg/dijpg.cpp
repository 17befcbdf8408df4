// The JPEG writer behind DIWriteJpg, on libjpeg-turbo's TurboJPEG API.

#include "dijpg_export.h"
// The export header must come first: it defines DIJPG_EXPORT for dijpg.h.
#include <turbojpeg.h>

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "dijpg.h"
#include "exif_date.h"
#include "toolkit/system/narrow_files.h"
#include "toolkit/system/process_id.h"

namespace {

std::string scratchPath;

struct Compressor {
    tjhandle handle = tjInitCompress();
    ~Compressor() {
        if (handle) tjDestroy(handle);
    }
};

struct TurboBuffer {
    unsigned char* data = nullptr;
    ~TurboBuffer() { tjFree(data); }
};

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

std::uint32_t le16(const unsigned char* p) {
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8;
}
std::uint32_t le32(const unsigned char* p) {
    return le16(p) | le16(p + 2) << 16;
}

// Looks at the scratch BMP's header before the reader sees it: the reader takes memory for
// the whole picture the header claims before it reads a single row, so a damaged or hostile
// header could claim gigabytes. The file must hold every row it claims, and the picture must
// be one the writer takes.
int32_t checkScratchHeader(const char* path) {
    std::FILE* file = std::fopen(path, "rb");
    if (!file) return DIJPG_ERROR_READ;
    unsigned char header[34] = {};
    const std::size_t got = std::fread(header, 1, sizeof header, file);
    const bool sized = std::fseek(file, 0, SEEK_END) == 0;
    const long fileSize = sized ? std::ftell(file) : -1;
    std::fclose(file);
    if (got < 26 || fileSize < 0 || header[0] != 'B' || header[1] != 'M') return DIJPG_ERROR_READ;

    const std::uint32_t infoSize = le32(header + 14);
    std::int64_t width, height, bits;
    std::uint32_t compression = 0;
    if (infoSize == 12) {
        width = le16(header + 18);
        height = le16(header + 20);
        bits = le16(header + 24);
    } else if (infoSize >= 40 && got >= 34) {
        width = std::int32_t(le32(header + 18));
        height = std::int32_t(le32(header + 22));
        bits = le16(header + 28);
        compression = le32(header + 30);
    } else {
        return DIJPG_ERROR_READ;
    }
    if (height < 0) height = -height;  // rows stored top-down
    if (width <= 0 || height <= 0 || bits <= 0 || bits > 32) return DIJPG_ERROR_READ;
    if (width > DIJPG_MAX_SIDE || height > DIJPG_MAX_SIDE || width * height > DIJPG_MAX_PIXELS)
        return DIJPG_ERROR_TOO_LARGE;
    // Compressed rows can be any length; the reader refuses those anyway.
    if (compression == 0) {
        const std::int64_t stride = (width * bits + 31) / 32 * 4;
        if (std::int64_t(le32(header + 10)) + stride * height > fileSize) return DIJPG_ERROR_READ;
    }
    return DIJPG_OK;
}

int32_t encode(const char* scratch, const char* destination, int32_t quality, int32_t progressive,
               const DIPhotoDate* date = nullptr) {
    if (!destination || !*destination || quality < 1 || quality > 100) return DIJPG_ERROR_ARGUMENT;
    std::vector<unsigned char> metadata;
    if (date && !dijpg::exifDateSegment(*date, metadata)) return DIJPG_ERROR_ARGUMENT;

    if (const int32_t checked = checkScratchHeader(scratch); checked != DIJPG_OK) return checked;

    int width = 0, height = 0;
    int pixelFormat = TJPF_RGB;
    TurboBuffer pixels;
    pixels.data = tjLoadImage(scratch, &width, 1, &height, &pixelFormat, 0);
    if (!pixels.data) return DIJPG_ERROR_READ;

    Compressor compressor;
    if (!compressor.handle) return DIJPG_ERROR_ENCODE;
    TurboBuffer jpeg;
    unsigned long jpegSize = 0;
    const int flags = progressive ? TJFLAG_PROGRESSIVE : 0;
    // At quality 90 and above the colour detail is kept whole (no chroma subsampling), as the
    // common tools do: halving it there costs more fidelity than the quality number promises.
    const int sampling = quality >= 90 ? TJSAMP_444 : TJSAMP_420;
    if (tjCompress2(compressor.handle, pixels.data, width, 0, height, pixelFormat, &jpeg.data,
                    &jpegSize, sampling, quality, flags) != 0)
        return DIJPG_ERROR_ENCODE;
    return writeWhole(destination, jpeg.data, jpegSize, metadata);
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
