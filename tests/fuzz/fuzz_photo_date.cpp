// The photo's date: any bytes in a file named like a photo are handed to libexif, maker notes
// and all. Nothing may crash, hang or run out of memory.
#include <unistd.h>

#include <QFile>
#include <cstdint>
#include <cstdlib>

#include "toolkit/pictures/exif_date.h"

namespace {

QString workFile() {
    static const QString file = [] {
        const char* tmp = std::getenv("TMPDIR");
        QByteArray pattern = QByteArray(tmp && *tmp ? tmp : "/tmp") + "/velaria-fuzz-XXXXXX";
        if (!mkdtemp(pattern.data())) std::abort();
        return QFile::decodeName(pattern) + QStringLiteral("/foto.jpg");
    }();
    return file;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    QFile file(workFile());
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) std::abort();
    file.write(reinterpret_cast<const char*>(data), qint64(size));
    file.close();
    // A date without the moment it was taken is no date.
    const toolkit::PhotoDate date = toolkit::readPhotoDate(file.fileName());
    if (date.isEmpty() && (!date.subSeconds.isEmpty() || !date.offset.isEmpty())) std::abort();
    return 0;
}
