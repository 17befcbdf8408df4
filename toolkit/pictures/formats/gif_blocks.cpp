#include "toolkit/pictures/formats/gif_blocks.h"

namespace toolkit {

namespace {

// A colour table's bytes, when the packed field says there is one.
qint64 colourTableBytes(uchar packed) {
    return (packed & 0x80) ? 3LL << ((packed & 7) + 1) : 0;
}

}  // namespace

GifBlocks::GifBlocks(const uchar* bytes, qint64 size) : d_(bytes), n_(size) {
    if (n_ >= 13) i_ += colourTableBytes(d_[10]);
}

GifBlocks::Block GifBlocks::next() {
    if (i_ >= n_) return Block::Cut;
    const uchar block = d_[i_++];
    if (block == 0x21) {
        if (i_ >= n_) return Block::Cut;
        label_ = d_[i_++];
        return Block::Extension;
    }
    if (block != 0x2C) return Block::Other;
    if (i_ + 9 > n_) return Block::Cut;
    const uchar packed = d_[i_ + 8];
    i_ += 9 + colourTableBytes(packed);
    if (i_ >= n_) return Block::Cut;
    ++i_;  // the code size
    return Block::Image;
}

}  // namespace toolkit
