#include "convert/batch/outputs.h"

#include <utility>

#include "convert/batch/output_names.h"
#include "toolkit/common/failure.h"
#include "toolkit/system/folders.h"
#include "toolkit/system/whole_file.h"

namespace convert {

Outputs::Outputs(QString programFolder, toolkit::JpegWriter& writer, toolkit::System& system)
    : programFolder_(std::move(programFolder)),
      writer_(writer),
      system_(system),
      jpeg_{jpegFolderPath(programFolder_), QStringLiteral("JPG")},
      bmp_{bmpFolderPath(programFolder_), QStringLiteral("BMP")} {}

bool Outputs::ready(Folder& folder) {
    const std::lock_guard lock(mutex_);
    if (!folder.checked) {
        folder.checked = true;
        try {
            toolkit::makeWritableFolder(folder.path);
            folder.usable = true;
            // What a killed run left half-written there goes before this run writes.
            toolkit::removeStaleTemporaries(folder.path);
        } catch (const toolkit::Failure& failure) {
            // When the folder cannot be had, the run says so once and writes nothing more
            // there, rather than failing every picture alike.
            problems_ << QStringLiteral("No se ha escrito ningún archivo %1: %2.")
                             .arg(folder.kind, failure.reason());
        }
    }
    return folder.usable;
}

QStringList Outputs::problems() const {
    const std::lock_guard lock(mutex_);
    return problems_;
}

}  // namespace convert
