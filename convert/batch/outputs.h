#pragma once

#include <QString>
#include <QStringList>
#include <mutex>

namespace toolkit {
class JpegWriter;
class System;
}  // namespace toolkit

namespace convert {

// What the outputs of all jobs share: the output folders, made ready at the first picture that
// needs each, and the writer library, bound at the first JPEG. Safe to use from several threads.
class Outputs {
  public:
    Outputs(QString programFolder, toolkit::JpegWriter& writer, toolkit::System& system);

    // True when the folder of JPEG (or BMP) outputs is there and writable; the first call makes
    // it, and when it cannot be made says so once (see problems()).
    bool jpegFolderReady() { return ready(jpeg_); }
    bool bmpFolderReady() { return ready(bmp_); }
    // Spanish lines about output folders that could not be made, in the order found.
    QStringList problems() const;

    toolkit::JpegWriter& writer() { return writer_; }
    toolkit::System& system() { return system_; }
    const QString& programFolder() const { return programFolder_; }

  private:
    struct Folder {
        QString path;
        QString kind;
        bool checked = false;
        bool usable = false;
    };
    bool ready(Folder& folder);

    QString programFolder_;
    toolkit::JpegWriter& writer_;
    toolkit::System& system_;
    mutable std::mutex mutex_;
    Folder jpeg_;
    Folder bmp_;
    QStringList problems_;
};

}  // namespace convert
