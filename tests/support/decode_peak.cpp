// Reads one picture as the batch does and says what that took at its peak, for the tests that
// hold the memory a decode route is weighed by against what it takes.
//
// Usage: decode_peak <picture> [width height]
// Prints the planned memory of the route and the growth of the resident memory while reading,
// both in bytes.
#include <QCoreApplication>
#include <QFile>
#include <cstdio>

#include "toolkit/pictures/decode_route.h"
#include "toolkit/pictures/picture_file.h"

namespace {

// A field of /proc/self/status ("VmHWM:  1234 kB"), in bytes.
qint64 statusField(const QByteArray& name) {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith(name + ':'))
            return line.mid(name.size() + 1).trimmed().split(' ').value(0).toLongLong() * 1024;
    return -1;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() != 2 && arguments.size() != 4) {
        std::fprintf(stderr, "uso: %s imagen [ancho alto]\n", argv[0]);
        return 2;
    }
    const QString path = arguments[1];
    const QSize atLeast =
        arguments.size() == 4 ? QSize(arguments[2].toInt(), arguments[3].toInt()) : QSize();
    // Reading the header loads the readers; what is measured is the decoding alone.
    const toolkit::DecodePlan plan = toolkit::planDecode(toolkit::readPictureHeader(path), atLeast);
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    if (!clear.open(QIODevice::WriteOnly) || clear.write("5") != 1) return 1;
    clear.close();
    const qint64 before = statusField("VmRSS");
    const toolkit::PictureRead read =
        toolkit::readPictureFile(path, atLeast, toolkit::Colours::AsStored);
    const qint64 peak = statusField("VmHWM");
    if (read.image.isNull() || before < 0 || peak < 0) return 1;
    std::printf("%lld %lld\n", static_cast<long long>(plan.memoryBytes),
                static_cast<long long>(peak - before));
    return 0;
}
