#pragma once

#include <QLibrary>
#include <QString>
#include <atomic>
#include <cstdint>
#include <mutex>

#include "dijpg/dijpg.h"
#include "toolkit/system/file_times.h"
#include "toolkit/system/photo_date.h"

namespace toolkit {

// The program's JPEG writer library (DIjpg), taken from the program folder by its absolute
// path, never from a search path. It is bound the first time a JPEG is written, not at start-up,
// and the binding then holds until the program ends. Pictures converted at the same time may
// bind and write from several threads at once.
class JpegWriter {
  public:
    // The library's file name on this system.
    static QString libraryFileName();

    bool isBound() const { return writeJpgDated_ != nullptr; }
    // Loads the library from `programFolder` and finds its functions, unless that is done.
    // Raises a Failure naming the library or the function that is missing.
    void bind(const QString& programFolder);
    // Encodes the BMP picture at `scratch` as a JPEG file at `destination`, replacing any file
    // there with a complete one that carries `date`, if there is one, and no other metadata,
    // and is given `time` as writeFileWhole gives it (why it could not be is returned).
    // Raises a Failure with the writer's reason; a JPEG the writer did not produce is never
    // taken for written.
    [[nodiscard]] std::error_code write(const QString& scratch, const QString& destination,
                                        std::int32_t quality, std::int32_t progressive,
                                        const PhotoDate& date = {}, const FileTime& time = {});

  private:
    std::mutex binding_;
    QLibrary library_;
    // Each call names its own scratch file: nothing is shared between pictures in flight.
    std::atomic<DIWriteJpgDatedFunction> writeJpgDated_ = nullptr;
};

// A path as the system's 8-bit file functions take it. Raises a Failure when the path has
// characters those functions cannot name.
QByteArray systemPath(const QString& path);

}  // namespace toolkit
