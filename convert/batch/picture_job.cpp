#include "convert/batch/picture_job.h"

#include <utility>

#include "convert/batch/outputs.h"
#include "toolkit/common/failure.h"
#include "toolkit/pictures/decode_route.h"
#include "toolkit/pictures/drawing.h"
#include "toolkit/pictures/picture_file.h"
#include "toolkit/system/file_times.h"
#include "toolkit/system/jpeg_writer.h"
#include "toolkit/system/scratch_file.h"

namespace convert {

QString failureReason(const std::exception& failure) {
    if (const auto* known = dynamic_cast<const toolkit::Failure*>(&failure)) return known->reason();
    return QStringLiteral("error inesperado (%1)").arg(QString::fromLocal8Bit(failure.what()));
}

namespace {

// One picture on its way through decoding, painting and writing. A step that fails adds its
// reason to the outcome; the steps after it that depend on it are not taken.
class Conversion {
  public:
    Conversion(const PictureJob& job, Outputs& outputs, const toolkit::DecodeRun& run)
        : job_(job), outputs_(outputs), run_(run) {}

    PictureResult run(const std::function<void()>& beforeWriting) {
        PictureOutcome& outcome = result_.outcome;
        outcome.loaded = attempt([this] { decode(); });
        if (!outcome.loaded) return std::move(result_);
        outcome.painted = attempt([this] { paint(); });
        if (!outcome.painted) return std::move(result_);
        beforeWriting();
        if (!job_.jpegPath.isEmpty() && outputs_.jpegFolderReady())
            attempt([this] { writeJpeg(); });
        if (!job_.bmpPath.isEmpty() && outputs_.bmpFolderReady()) attempt([this] { writeBmp(); });
        result_.surface = std::move(drawing_);
        return std::move(result_);
    }

  private:
    template <class Step>
    bool attempt(Step&& step) {
        try {
            step();
            return true;
        } catch (const std::exception& failure) {
            result_.outcome.failures << failureReason(failure);
            if (dynamic_cast<const toolkit::Cancelled*>(&failure)) result_.outcome.abandoned = true;
            return false;
        }
    }

    void decode() {
        // What the outputs keep of the source is taken as the source is read, its date from
        // the very bytes decoded.
        sourceTime_ = toolkit::modificationTime(job_.source);
        if (!job_.decoded.isNull()) {
            result_.picture = job_.decoded;
            result_.naturalSize = job_.decoded.size();
            return;  // decoded whole: the sharp filter finishes it
        }
        // No finer than the target: a 12-megapixel photo bound for 1024 pixels is decoded at
        // a fraction of its size. A file the decoder could read only in part must not pass
        // for a good picture. Its colours are converted once it is scaled, where the fewest
        // pixels are left.
        toolkit::DecodeRun run = run_;
        run.besides =
            memoryBesidesDecoding(job_.target.size(), job_.surface, !job_.jpegPath.isEmpty());
        toolkit::PictureRead read = toolkit::readPictureFile(job_.source, job_.target.size(),
                                                             toolkit::Colours::AsStored, run);
        if (!read.damage.isEmpty())
            throw toolkit::Failure(
                QStringLiteral("No se puede leer la imagen «%1»: %2").arg(job_.entry, read.damage),
                read.damage);
        result_.picture = std::move(read.image);
        result_.naturalSize = read.naturalSize;
        result_.outcome.unconverted = std::move(read.unconverted);
        photoDate_ = std::move(read.photoDate);
        finalFilter_ = read.finalFilter;
    }

    void paint() {
        // On white: transparent parts must not show the previous picture.
        drawing_ = toolkit::drawnOnWhite(job_.surface, result_.picture, job_.target,
                                         result_.outcome.unconverted, finalFilter_);
    }

    void writeJpeg() {
        outputs_.writer().bind(outputs_.programFolder());
        // The writer takes the picture from a BMP file that only this picture's job sees.
        toolkit::ScratchFile scratch(QStringLiteral(".bmp"));
        toolkit::writeBmp(drawing_, scratch.device());
        scratch.close();
        // Of a photo's metadata only the moment it was taken comes along.
        const std::error_code undated = outputs_.writer().write(
            scratch.path(), job_.jpegPath, job_.quality, job_.progressive, photoDate_, sourceTime_);
        ++result_.outcome.written;
        // The JPEG is written whatever becomes of the scratch file: one that cannot be deleted
        // now goes when the job ends, or at the next start.
        toolkit::skipOnFailure([&] { scratch.remove(outputs_.system()); });
        noteUndated(job_.jpegPath, undated);
    }

    void writeBmp() {
        const std::error_code undated = toolkit::saveBmp(drawing_, job_.bmpPath, sourceTime_);
        ++result_.outcome.written;
        noteUndated(job_.bmpPath, undated);
    }

    // A file whose source's time could not be copied is written all the same: the picture is
    // converted, with a note.
    void noteUndated(const QString& target, std::error_code undated) {
        if (const QString note = toolkit::undatedNote(target, undated); !note.isEmpty())
            result_.outcome.notes << note;
    }

    const PictureJob& job_;
    Outputs& outputs_;
    const toolkit::DecodeRun& run_;
    QImage drawing_;
    PictureResult result_;
    toolkit::FileTime sourceTime_;
    toolkit::PhotoDate photoDate_;
    toolkit::ResamplingFilter finalFilter_ = toolkit::ResamplingFilter::Sharp;
};

}  // namespace

PictureResult convertPicture(const PictureJob& job, Outputs& outputs,
                             const std::function<void()>& beforeWriting,
                             const toolkit::DecodeRun& run) {
    return Conversion(job, outputs, run).run(beforeWriting);
}

qint64 memoryBesidesDecoding(QSize target, QSize surface, bool jpeg) {
    const auto bytes = [](QSize size) { return qint64(size.width()) * size.height() * 4; };
    // The scratch BMP (3 bytes a pixel) lies in memory-backed storage where the system has it,
    // and the writer reads it whole into memory again.
    const qint64 scratch = jpeg ? 2 * (qint64(surface.width()) * surface.height() * 3) : 0;
    return bytes(target) + bytes(surface) + scratch;
}

qint64 pictureWeight(const toolkit::PictureHeader& header, QSize target, QSize surface, bool jpeg) {
    return toolkit::planDecode(header, target).memoryBytes +
           memoryBesidesDecoding(target, surface, jpeg);
}

}  // namespace convert
