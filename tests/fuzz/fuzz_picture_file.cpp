// The program's picture loading: any bytes in a file named like a picture must load or be
// refused with a reason, never crash, hang or claim gigabytes.
#include <QCoreApplication>
#include <atomic>
#include <cstdint>
#include <cstdlib>

#include "input_file.h"
#include "toolkit/common/failure.h"
#include "toolkit/pictures/memory_need.h"
#include "toolkit/pictures/picture_file.h"
#include "toolkit/system/available_memory.h"

namespace {

// The machine stood in for: whatever it claims, no input may take more than one picture may
// take with this much free (the fuzzer's own limit is 2 GB).
constexpr qint64 kAvailable = 1024LL * 1024 * 1024;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    static QCoreApplication application(*argc, *argv);
    toolkit::setAvailableMemoryForTests(kAvailable);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto* bytes = reinterpret_cast<const uchar*>(data);
    for (const char* format : {"jpeg", "gif", "bmp"})
        toolkit::pictureDamage(format, bytes, qint64(size));

    const QString path = inputAsFile(data, size, QStringLiteral("foto.jpg"));
    try {
        const toolkit::PictureRead read = toolkit::readPictureFile(path);
        if (read.image.isNull()) std::abort();
        if (read.image.sizeInBytes() > toolkit::memoryForOnePicture(kAvailable)) std::abort();
    } catch (const toolkit::Failure&) {
    }
    // The reduced decode, as the batch asks for it; every other input stopped by a cancel,
    // which ends the decode wherever it has come to.
    static std::atomic<bool> cancelled{false};
    cancelled = size % 2 == 1;
    try {
        toolkit::readPictureFile(path, QSize(64, 48), toolkit::Colours::AsStored, &cancelled);
    } catch (const toolkit::Failure&) {
    }
    return 0;
}
