#include "dijpg/scratch_bmp.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "dijpg.h"

namespace dijpg {

namespace {

// More than the largest picture the writer takes (4 bytes a pixel, rows padded, a palette and
// any header) needs: a longer file is read only that far.
constexpr long kLongestRead = 4L * DIJPG_MAX_PIXELS + 4L * DIJPG_MAX_SIDE + (1L << 20);

std::uint32_t le16(const unsigned char* p) {
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8;
}
std::uint32_t le32(const unsigned char* p) {
    return le16(p) | le16(p + 2) << 16;
}

// The file's bytes, as many as it holds up to kLongestRead, in one read.
bool readWhole(const char* path, std::unique_ptr<unsigned char[]>& bytes, std::size_t& size) {
    std::FILE* file = std::fopen(path, "rb");
    if (!file) return false;
    long length = -1;
    if (std::fseek(file, 0, SEEK_END) == 0) length = std::ftell(file);
    if (length < 0 || std::fseek(file, 0, SEEK_SET) != 0) {
        std::fclose(file);
        return false;
    }
    if (length > kLongestRead) length = kLongestRead;
    bytes = std::make_unique_for_overwrite<unsigned char[]>(std::size_t(length) + 1);
    // A file cut short meanwhile gives what it still holds.
    size = std::fread(bytes.get(), 1, std::size_t(length), file);
    std::fclose(file);
    return true;
}

// What the info header says of the picture, either form (the old 12-byte one or a later one).
struct Header {
    std::int64_t width = 0, height = 0;
    std::uint32_t bits = 0, compression = 0, colours = 0, rowsAt = 0, paletteAt = 0;
    int paletteEntry = 4;
};

bool readHeader(const unsigned char* bytes, std::size_t size, Header& header) {
    if (size < 26 || bytes[0] != 'B' || bytes[1] != 'M') return false;
    const std::uint32_t infoSize = le32(bytes + 14);
    header.rowsAt = le32(bytes + 10);
    if (infoSize == 12) {
        header.width = le16(bytes + 18);
        header.height = le16(bytes + 20);
        header.bits = le16(bytes + 24);
        header.paletteEntry = 3;
    } else if (infoSize >= 40 && size >= 54) {
        header.width = std::int32_t(le32(bytes + 18));
        header.height = std::int32_t(le32(bytes + 22));
        header.bits = le16(bytes + 28);
        header.compression = le32(bytes + 30);
        header.colours = le32(bytes + 46);
    } else {
        return false;
    }
    header.paletteAt = 14 + infoSize;
    return true;
}

// The colours of an indexed picture: those listed between the headers and the rows.
void readPalette(const unsigned char* bytes, std::size_t size, const Header& header,
                 ScratchPicture& picture) {
    std::uint64_t count = header.colours == 0 ? 256 : header.colours;
    if (count > 256) count = 256;
    const std::uint64_t end = std::min<std::uint64_t>(header.rowsAt, size);
    for (std::uint64_t i = 0; i < count; ++i) {
        const std::uint64_t at = header.paletteAt + i * header.paletteEntry;
        if (at + 3 > end) break;
        std::memcpy(picture.palette[i], bytes + at, 3);
    }
}

}  // namespace

std::int32_t readScratchBmp(const char* path, ScratchPicture& picture) {
    std::size_t size = 0;
    if (!readWhole(path, picture.bytes, size)) return DIJPG_ERROR_READ;
    const unsigned char* bytes = picture.bytes.get();
    Header header;
    if (!readHeader(bytes, size, header)) return DIJPG_ERROR_READ;
    picture.bottomUp_ = header.height > 0;
    const std::int64_t height = header.height < 0 ? -header.height : header.height;
    if (header.width <= 0 || height <= 0 || header.compression != 0) return DIJPG_ERROR_READ;
    if (header.bits != 8 && header.bits != 24 && header.bits != 32) return DIJPG_ERROR_READ;
    if (header.width > DIJPG_MAX_SIDE || height > DIJPG_MAX_SIDE ||
        header.width * height > DIJPG_MAX_PIXELS)
        return DIJPG_ERROR_TOO_LARGE;
    // The file must hold every row it claims.
    const std::int64_t stride = (header.width * header.bits + 31) / 32 * 4;
    if (std::int64_t(header.rowsAt) + stride * height > std::int64_t(size)) return DIJPG_ERROR_READ;

    picture.width = int(header.width);
    picture.height = int(height);
    picture.firstRow_ = header.rowsAt;
    picture.stride_ = std::ptrdiff_t(stride);
    picture.layout = header.bits == 8    ? ScratchPicture::Layout::Indexed
                     : header.bits == 24 ? ScratchPicture::Layout::Bgr
                                         : ScratchPicture::Layout::Bgrx;
    if (header.bits == 8) readPalette(bytes, size, header, picture);
    return DIJPG_OK;
}

}  // namespace dijpg
