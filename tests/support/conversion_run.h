#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <map>

#include "app/form1.h"
#include "support/fake_system.h"
#include "support/program_folder.h"

// The user's temporary folder, where scratch files go, pointed at a folder of the test's own for
// as long as this lives.
class TemporaryFolder {
  public:
    TemporaryFolder();
    ~TemporaryFolder();
    QString path() const { return dir_.path(); }
    QStringList files() const;

  private:
    QTemporaryDir dir_;
    QByteArray saved_;
};

// A batch run as the user makes it: the window started on a program folder of its own (with the
// writer library and a 4:3 sample, so the frame is 441 x 331 pixels), both outputs ticked,
// listing a source folder of the test's.
struct ConversionRun {
    enum class Sizing { WidthDrives, HeightDrives, Stretched };

    ConversionRun();
    void add(const QString& name, const QByteArray& bytes);
    void setSizing(Sizing sizing);
    // Lists the source folder again, then presses "INICIAR ".
    void convert();
    // Presses "INICIAR " on the list as it stands.
    void press();

    QString jpegFolder() const { return program.file(QStringLiteral("DestinoJPG")); }
    QString bmpFolder() const { return program.file(QStringLiteral("DestinoBMP")); }
    QStringList jpegs() const;
    QStringList bmps() const;
    // The one closing message; empty when there was none (a clean run). Fails the test when
    // there was more than one.
    QString message() const;
    // Entry name -> reason, for each of `names` that the closing message lists as failed.
    std::map<QString, QString> reported(const QStringList& names) const;

    ProgramFolder program;
    QTemporaryDir source;
    TemporaryFolder temporary;
    FakeSystem system;
    Form1 form;
};

// Every file a folder holds, sub-folders and hidden files included, as paths relative to it.
QStringList allFilesUnder(const QString& folder);
