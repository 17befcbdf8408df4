#pragma once

#include <QImage>
#include <QString>
#include <QTemporaryDir>

// A throw-away program folder laid out as the build lays out the real one: the output folders,
// optionally the sample picture and the writer library.
class ProgramFolder {
  public:
    ProgramFolder();

    QString path() const { return dir_.path(); }
    QString file(const QString& name) const { return dir_.filePath(name); }

    // Copies the built writer library beside the (pretend) executable.
    void addWriterLibrary();
    // Writes a sample picture of this size; a JPEG like the real one.
    void addSample(int width, int height);
    void addSampleBytes(const QByteArray& bytes);

  private:
    QTemporaryDir dir_;
};

// A picture with a different colour in each quadrant, so scaling and cropping show up.
QImage quadrantPicture(int width, int height);

// The shared corpus folder, or an empty string where this checkout has none.
QString corpusDir();
