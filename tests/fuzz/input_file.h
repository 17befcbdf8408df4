#pragma once

#include <unistd.h>

#include <QFile>
#include <QString>
#include <cstdint>
#include <cstdlib>

// The fuzzer's input as a file called `name`, in a folder of this process's own under TMPDIR,
// for code that reads pictures by their path. Returns the file's path.
inline QString inputAsFile(const std::uint8_t* data, std::size_t size, const QString& name) {
    static const QString folder = [] {
        const char* tmp = std::getenv("TMPDIR");
        QByteArray pattern = QByteArray(tmp && *tmp ? tmp : "/tmp") + "/velaria-fuzz-XXXXXX";
        if (!mkdtemp(pattern.data())) std::abort();
        return QFile::decodeName(pattern);
    }();
    QFile file(folder + QLatin1Char('/') + name);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) std::abort();
    if (file.write(reinterpret_cast<const char*>(data), qint64(size)) != qint64(size)) std::abort();
    return file.fileName();
}
