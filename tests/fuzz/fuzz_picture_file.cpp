// The program's picture loading: any bytes in a file named like a picture must load or be
// refused with a reason, never crash, hang or claim gigabytes.
#include <unistd.h>

#include <QCoreApplication>
#include <QFile>
#include <atomic>
#include <cstdint>
#include <cstdlib>

#include "toolkit/common/failure.h"
#include "toolkit/pictures/picture_file.h"

namespace {

QString workFolder() {
    static const QString folder = [] {
        const char* tmp = std::getenv("TMPDIR");
        QByteArray pattern = QByteArray(tmp && *tmp ? tmp : "/tmp") + "/velaria-fuzz-XXXXXX";
        if (!mkdtemp(pattern.data())) std::abort();
        return QFile::decodeName(pattern);
    }();
    return folder;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    static QCoreApplication application(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto* bytes = reinterpret_cast<const uchar*>(data);
    for (const char* format : {"jpeg", "gif", "bmp"})
        toolkit::pictureDamage(format, bytes, qint64(size));

    const QString path = workFolder() + QStringLiteral("/foto.jpg");
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) std::abort();
    file.write(reinterpret_cast<const char*>(data), qint64(size));
    file.close();
    try {
        const toolkit::PictureRead read = toolkit::readPictureFile(path);
        if (read.image.isNull()) std::abort();
        if (qint64(read.image.width()) * read.image.height() > toolkit::kMaxPicturePixels)
            std::abort();
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
