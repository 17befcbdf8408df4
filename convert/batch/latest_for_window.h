#pragma once

#include <QImage>
#include <QSize>
#include <utility>

#include "convert/batch/picture_job.h"
#include "toolkit/pictures/color_profile.h"

namespace convert {

// What the window is left with after a run: the picture read last and the surface painted last,
// as converting one picture after another would leave them. Jobs finish in any order, so the
// highest list index wins, whichever finished last. Not thread-safe: its owner locks.
class LatestForWindow {
  public:
    // A job's result, offered when it ends; what is kept is moved out of it.
    void offer(int job, PictureResult& result) {
        if (result.outcome.loaded && job > loaded_) {
            loaded_ = job;
            picture_ = std::move(result.picture);
            unconverted_ = result.outcome.unconverted;
            naturalSize_ = result.naturalSize;
        }
        if (result.outcome.painted && job > painted_) {
            painted_ = job;
            surface_ = std::move(result.surface);
        }
    }
    // Once every job has ended: only the picture left for the window is shown, so its colours
    // are converted here, once.
    void settle() {
        picture_ = toolkit::convertedToSrgb(std::move(picture_), std::exchange(unconverted_, {}));
    }

    int loaded() const { return loaded_; }  // -1: no picture was read
    const QImage& picture() const { return picture_; }
    QSize naturalSize() const { return naturalSize_; }
    int painted() const { return painted_; }  // -1: none was painted
    const QImage& surface() const { return surface_; }

  private:
    int loaded_ = -1;
    QImage picture_;
    toolkit::EmbeddedProfile unconverted_;
    QSize naturalSize_;
    int painted_ = -1;
    QImage surface_;
};

}  // namespace convert
