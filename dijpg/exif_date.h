// The EXIF block of a JPEG that keeps the moment its photo was taken and nothing else.
#ifndef DIJPG_EXIF_DATE_H
#define DIJPG_EXIF_DATE_H

#include <vector>

#include "dijpg.h"

namespace dijpg {

// The whole APP1 segment (marker, length, EXIF header and data) that carries `date`. Returns
// false, with nothing in `segment`, when a field is not in its form or libexif cannot build it.
bool exifDateSegment(const DIPhotoDate& date, std::vector<unsigned char>& segment);

}  // namespace dijpg

#endif
