#include "toolkit/pictures/memory_need.h"

#include <algorithm>

#include "toolkit/pictures/opened_picture.h"
#include "toolkit/system/available_memory.h"

namespace toolkit {

namespace {

constexpr qint64 kMiB = 1024 * 1024;

qint64 inMiB(qint64 bytes) {
    return (bytes + kMiB - 1) / kMiB;
}

}  // namespace

qint64 memoryMargin(qint64 available) {
    return std::max(256 * kMiB, available / 8);
}

qint64 memoryAvailableNow() {
    const qint64 available = availableMemory();
    return available >= 0 ? available : 2048 * kMiB;
}

qint64 memoryForOnePicture(qint64 available) {
    return std::max<qint64>(0, available - memoryMargin(available));
}

void checkMemoryNeed(const QString& path, QSize size, qint64 need) {
    const qint64 available = memoryAvailableNow();
    if (need <= memoryForOnePicture(available)) return;
    // The size where it is known (a file's bytes are weighed before its header is read).
    const QString picture = size.isValid() ? QStringLiteral("la imagen mide %1 x %2 píxeles y ")
                                                 .arg(size.width())
                                                 .arg(size.height())
                                           : QString();
    refusePicture(path, QStringLiteral("%1convertirla necesita unos %2 MiB de memoria, pero ahora "
                                       "hay %3 MiB libres y %4 MiB deben quedar para el sistema. "
                                       "Cierre otros programas y vuelva a intentarlo, o reduzca "
                                       "antes la imagen con otro programa")
                            .arg(picture)
                            .arg(inMiB(need))
                            .arg(available / kMiB)
                            .arg(inMiB(memoryMargin(available))));
}

}  // namespace toolkit
