// The scratch picture encoded as a JPEG in memory, on libjpeg's own interface.
#ifndef DIJPG_JPEG_ENCODING_H
#define DIJPG_JPEG_ENCODING_H

#include <cstdint>
#include <cstdlib>
#include <memory>

#include "dijpg/scratch_bmp.h"

namespace dijpg {

struct EncodedJpeg {
    std::unique_ptr<unsigned char, decltype(&std::free)> bytes{nullptr, &std::free};
    unsigned long size = 0;
};

// Encodes `picture` at `quality` (1..100): from 90 up with the colour kept whole (4:4:4), below
// that halved both ways (4:2:0); progressive (SOF2) when `progressive` is true, in a few scans
// that each carry some coefficients whole, never refined later. Returns DIJPG_OK or
// DIJPG_ERROR_ENCODE.
std::int32_t encodeJpeg(const ScratchPicture& picture, int quality, bool progressive,
                        EncodedJpeg& jpeg);

}  // namespace dijpg

#endif
