#pragma once

#include <QtEndian>

namespace toolkit {

// Numbers as picture files store them: BMP and GIF little-endian, JPEG big-endian.
inline quint32 le16(const uchar* p) {
    return qFromLittleEndian<quint16>(p);
}
inline quint32 le32(const uchar* p) {
    return qFromLittleEndian<quint32>(p);
}
inline quint32 be16(const uchar* p) {
    return qFromBigEndian<quint16>(p);
}

}  // namespace toolkit
