#include "toolkit/system/available_memory.h"

#include <algorithm>
#include <atomic>

#ifdef _WIN32
#include <windows.h>
#else
#include <QByteArray>
#include <QFile>
#endif

namespace toolkit {

namespace {

std::atomic<qint64> standIn = -1;

#ifdef _WIN32

qint64 systemAvailable() {
    MEMORYSTATUSEX status;
    status.dwLength = sizeof status;
    if (!GlobalMemoryStatusEx(&status)) return -1;
    return qint64(status.ullAvailPhys);
}

#else

// A small text file of the kernel's, read whole; empty where it is not there.
QByteArray kernelFile(const char* path) {
    QFile file(QString::fromLatin1(path));
    if (!file.open(QIODevice::ReadOnly)) return {};
    return file.read(64 * 1024);
}

// "MemAvailable:   23534072 kB" in /proc/meminfo.
qint64 kernelAvailable() {
    const QByteArray info = kernelFile("/proc/meminfo");
    const qsizetype at = info.indexOf("MemAvailable:");
    if (at < 0) return -1;
    const qsizetype end = info.indexOf('\n', at);
    QByteArray field = info.mid(at + 13, end < 0 ? -1 : end - at - 13).trimmed();
    if (!field.endsWith("kB")) return -1;
    bool ok = false;
    const qint64 kib = field.chopped(2).trimmed().toLongLong(&ok);
    return ok ? kib * 1024 : -1;
}

qint64 number(const char* path) {
    bool ok = false;
    const qint64 value = kernelFile(path).trimmed().toLongLong(&ok);
    return ok ? value : -1;
}

// What is left under the control group's limit (version 2, then version 1, as a container or a
// systemd slice sees its own at the root); -1 where there is none.
qint64 groupAvailable() {
    const struct {
        const char* limit;
        const char* used;
    } groups[] = {
        {"/sys/fs/cgroup/memory.max", "/sys/fs/cgroup/memory.current"},
        {"/sys/fs/cgroup/memory/memory.limit_in_bytes",
         "/sys/fs/cgroup/memory/memory.usage_in_bytes"},
    };
    for (const auto& group : groups) {
        const qint64 limit = number(group.limit);  // "max": no limit, not a number
        const qint64 used = number(group.used);
        // Version 1 says "no limit" with a number near the largest there is.
        if (limit > 0 && used >= 0 && limit < (qint64(1) << 60))
            return std::max<qint64>(0, limit - used);
    }
    return -1;
}

qint64 systemAvailable() {
    const qint64 kernel = kernelAvailable();
    const qint64 group = groupAvailable();
    if (kernel < 0) return group;
    return group < 0 ? kernel : std::min(kernel, group);
}

#endif

}  // namespace

qint64 availableMemory() {
    const qint64 figure = standIn.load();
    return figure >= 0 ? figure : systemAvailable();
}

void setAvailableMemoryForTests(qint64 bytes) {
    standIn = bytes;
}

}  // namespace toolkit
