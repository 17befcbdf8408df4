#include "toolkit/pictures/formats/bmp_headers.h"

#include "toolkit/pictures/formats/byte_order.h"

namespace toolkit {

BmpHeader readBmpHeader(const uchar* d, qint64 n) {
    BmpHeader header;
    constexpr qint64 kInfo = BmpHeader::kFileHeader;
    if (!isBmp(d, n) || n < kInfo + 4) return header;
    header.rowsAt = le32(d + 10);
    header.headerSize = le32(d + kInfo);
    const uchar* info = d + kInfo;
    if (header.headerSize == 12 && n >= kInfo + 12) {
        header.sized = true;
        header.width = le16(info + 4);
        header.height = le16(info + 6);
        header.bits = le16(info + 10);
        return header;
    }
    if (header.headerSize < 40 || n < kInfo + 20) return header;
    header.sized = true;
    header.width = qint32(le32(info + 4));
    header.height = qint32(le32(info + 8));
    header.bits = le16(info + 14);
    header.compression = le32(info + 16);
    if (n >= kInfo + 36) header.coloursUsed = le32(info + 32);
    if (header.headerSize >= 124 && n >= kInfo + 124) {
        header.colourSpace = le32(info + 56);
        header.profileAt = le32(info + 112);
        header.profileSize = le32(info + 116);
    }
    return header;
}

}  // namespace toolkit
