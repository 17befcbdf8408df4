#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <cerrno>

#include "toolkit/common/failure.h"
#include "toolkit/system/file_errors.h"
#include "toolkit/system/os_calls.h"

namespace toolkit {

QString openRegularFile(const QString& path, QFile& file) {
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return readFailure(errno);
    struct stat status;
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(fd);
        return QStringLiteral("no es un archivo");
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return QStringLiteral("error al leer el archivo");
    }
    return {};
}

QStringList regularFileNames(const QString& folder) {
    // One pass over the folder, typed by the entries themselves rather than a status call per
    // file: a hundred thousand names come in a fraction of a second. Qt's own listing would also
    // pass over the files whose names are not valid text in the system's encoding (on Linux a
    // name is any bytes); those are listed too, with replacement characters where the bytes are
    // not text, so that the run can say it cannot convert them instead of missing them.
    namespace fs = std::filesystem;
    QStringList names;
    std::error_code error;
    fs::directory_iterator entry(QFile::encodeName(folder).toStdString(), error);
    if (error) return names;  // gone, or not to be opened: nothing to list
    for (; !error && entry != fs::directory_iterator(); entry.increment(error)) {
        const fs::path name = entry->path().filename();
        const std::string& raw = name.native();
        if (raw.empty() || raw.front() == '.') continue;
        std::error_code notFile;
        if (entry->is_regular_file(notFile))
            names << QFile::decodeName(QByteArray(raw.data(), qsizetype(raw.size())));
    }
    // A folder that could be opened but not read to its end (a disk or network error) is not
    // listed in part: a run would convert some of it and say nothing of the rest.
    if (error) throw Failure(QStringLiteral("No se puede leer entera la carpeta «%1»").arg(folder));
    return names;
}

bool processMayBeRunning(qint64 pid) {
    if (pid <= 0 || pid != qint64(pid_t(pid))) return true;
    return ::kill(pid_t(pid), 0) == 0 || errno != ESRCH;
}

bool ownedByThisUser(const QFileInfo& file) {
    return file.ownerId() == ::getuid();
}

std::error_code replaceFile(const QString& temporary, const QString& path) {
    std::error_code error;
    std::filesystem::rename(fileSystemPath(temporary), fileSystemPath(path), error);
    return error;
}

std::filesystem::path fileSystemPath(const QString& path) {
    return std::filesystem::path(QFile::encodeName(path).toStdString());
}

}  // namespace toolkit
