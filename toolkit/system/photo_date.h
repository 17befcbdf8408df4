#pragma once

#include <QByteArray>

namespace toolkit {

// The moment a photo was taken, as its EXIF says it, each field in the form the JPEG writer
// takes (dijpg/date_forms.h). A field the photo does not give is empty; without `taken` there
// is no date at all.
struct PhotoDate {
    QByteArray taken;       // "YYYY:MM:DD HH:MM:SS", the camera's local time
    QByteArray subSeconds;  // the fraction of that second, in digits
    QByteArray offset;      // "+HH:MM" or "-HH:MM", that local time's offset from UTC
    bool isEmpty() const { return taken.isEmpty(); }
};

}  // namespace toolkit
