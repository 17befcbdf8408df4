#pragma once

#include <QtGlobal>

namespace toolkit {

// A GIF file: the screen descriptor and its colour table, then blocks up to the trailer. An
// extension is its label and data sub-blocks; an image is its descriptor, its own colour table,
// the code size and data sub-blocks. Each sub-block is a size byte and that many bytes; a size
// of 0 ends them.
class GifBlocks {
  public:
    enum class Block {
        Extension,  // label() tells which; its sub-blocks come next
        Image,      // descriptor, colours and code size passed; its sub-blocks come next
        Other,      // a byte that starts neither: the trailer, or something the decoder judges
        Cut,        // the bytes end first
    };

    GifBlocks(const uchar* bytes, qint64 size);

    // The next block. After an extension or image, subBlocks() must be walked before this.
    Block next();
    uchar label() const { return label_; }

    // The current block's data sub-blocks up to their end, each handed to `each(data, size)`;
    // false when the bytes end first.
    template <typename Each>
    bool subBlocks(Each each) {
        for (;;) {
            if (i_ >= n_) return false;
            const qint64 size = d_[i_++];
            if (size == 0) return true;
            if (i_ + size > n_) return false;
            each(d_ + i_, size);
            i_ += size;
        }
    }
    bool skipSubBlocks() {
        return subBlocks([](const uchar*, qint64) {});
    }

  private:
    const uchar* d_;
    qint64 n_;
    qint64 i_ = 13;
    uchar label_ = 0;
};

}  // namespace toolkit
