// The picture the writer encodes, as its scratch BMP file holds it: the file read whole in one
// read, its rows left where they lie.
#ifndef DIJPG_SCRATCH_BMP_H
#define DIJPG_SCRATCH_BMP_H

#include <cstddef>
#include <cstdint>
#include <memory>

namespace dijpg {

struct ScratchPicture {
    // How a pixel is stored: blue, green, red (and an unused byte), or an index into `palette`.
    enum class Layout { Bgr, Bgrx, Indexed };

    std::unique_ptr<unsigned char[]> bytes;
    int width = 0;
    int height = 0;
    Layout layout = Layout::Bgr;
    // Blue, green and red of each of 256 indexes (those the file does not give are black).
    unsigned char palette[256][3] = {};

    // The picture's row `y`, counted from the top, in the file's own bytes.
    const unsigned char* row(int y) const {
        const std::ptrdiff_t from = bottomUp_ ? height - 1 - y : y;
        return bytes.get() + firstRow_ + from * stride_;
    }

  private:
    friend std::int32_t readScratchBmp(const char* path, ScratchPicture& picture);
    std::size_t firstRow_ = 0;
    std::ptrdiff_t stride_ = 0;
    bool bottomUp_ = true;
};

// Reads the BMP file at `path`: uncompressed, 8 bits a pixel with a palette, 24 or 32. Returns
// DIJPG_OK, DIJPG_ERROR_READ (missing, unreadable, not such a picture, or shorter than the rows
// its header claims) or DIJPG_ERROR_TOO_LARGE. Nothing is allocated for a picture the writer
// does not take, whatever the header claims: only the file's own bytes are read.
std::int32_t readScratchBmp(const char* path, ScratchPicture& picture);

}  // namespace dijpg

#endif
