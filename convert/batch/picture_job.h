#pragma once

#include <QImage>
#include <QRect>
#include <QString>
#include <QStringList>
#include <atomic>
#include <cstdint>
#include <exception>
#include <functional>

#include "toolkit/pictures/color_profile.h"
#include "toolkit/pictures/picture_file.h"

namespace convert {

class Outputs;

// The Spanish reason of a failure, for the closing message.
QString failureReason(const std::exception& failure);

// One picture of the run once the window has settled its size: everything the decoding,
// scaling and writing need, and nothing of the window.
struct PictureJob {
    QString entry;     // the list entry's name, for messages
    QString source;    // the file
    QSize surface;     // the frame's drawing surface, in pixels
    QRect target;      // where the picture is painted in it, scaled, in pixels
    QString jpegPath;  // empty when no JPEG is wanted
    QString bmpPath;   // empty when no BMP is wanted
    std::int32_t quality = 90;
    std::int32_t progressive = 1;
    // An earlier job that writes the same files (a.jpg and a.gif both make a.jpg), or -1: this
    // one writes only after it, so that the later entry's files remain, as in list order.
    int follows = -1;
    // A picture already decoded (a file whose header does not tell its size), or null.
    QImage decoded;
    // Bytes of memory the job takes at its peak, roughly (see pictureWeight).
    qint64 weight = 0;
};

// What became of one job.
struct PictureOutcome {
    bool loaded = false;     // the picture was read whole
    bool painted = false;    // and drawn into its surface
    int written = 0;         // files written
    bool abandoned = false;  // given up when the run was cancelled: not converted
    QStringList failures;    // reasons, in the order they happened
    QStringList notes;       // of files written all the same (dated today), in that order
    // The colours of the picture handed back are still the file's, to be turned into sRGB
    // through this profile (the painted surface's are sRGB already).
    toolkit::EmbeddedProfile unconverted;
};

// What one job hands back besides its outcome: the picture as decoded, with its natural size,
// and the painted surface, for the window to keep when the job is the latest in list order.
struct PictureResult {
    PictureOutcome outcome;
    QImage picture;
    QSize naturalSize;
    QImage surface;
};

// The expensive part of one picture: decode (no finer than the target needs), scale, paint into
// a white surface, write the JPEG through a private scratch BMP and the writer, then the BMP.
// `beforeWriting` is called once the surface is painted, before any file is written. Once
// `run.cancelled` (if given) is set, a picture still being decoded is given up, not converted;
// `run.moreMemory` is asked before a picture is decoded whole where its route gave up.
PictureResult convertPicture(const PictureJob& job, Outputs& outputs,
                             const std::function<void()>& beforeWriting,
                             const toolkit::DecodeRun& run = {});

// The memory converting a picture takes at its peak: what its decode route takes (see
// planDecode), and what the job takes beside it (see memoryBesidesDecoding).
qint64 pictureWeight(const toolkit::PictureHeader& header, QSize target, QSize surface, bool jpeg);

// What a job takes beside the decoding: the scaled copy, the surface and, for a JPEG output, the
// scratch BMP.
qint64 memoryBesidesDecoding(QSize target, QSize surface, bool jpeg);

}  // namespace convert
