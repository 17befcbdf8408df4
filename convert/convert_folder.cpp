#include <algorithm>

#include "app/form1.h"
#include "convert/output_names.h"
#include "convert/program_folder_check.h"
#include "convert/run_report.h"
#include "toolkit/failure.h"
#include "toolkit/folders.h"
#include "toolkit/scratch_file.h"
#include "toolkit/units.h"

namespace {

constexpr std::int32_t kJpegQuality = 90;
// The width handle turns blue when the pointer last moved over a width handle: the width drives.
constexpr std::uint32_t kWidthTouchedLast = toolkit::rgb(0, 0, 255);
constexpr std::uint32_t kWhite = toolkit::rgb(255, 255, 255);

QString reasonOf(const std::exception& failure) {
    if (const auto* known = dynamic_cast<const toolkit::Failure*>(&failure)) return known->reason();
    return QStringLiteral("error inesperado (%1)").arg(QString::fromLocal8Bit(failure.what()));
}

// An output folder, made ready the first time the run needs it. When it cannot be, the run
// says so once and writes nothing more there, rather than failing every picture alike.
class OutputFolder {
  public:
    OutputFolder(QString path, QString kind) : path_(std::move(path)), kind_(std::move(kind)) {}

    bool ready(convert::RunReport& report) {
        if (!checked_) {
            checked_ = true;
            try {
                toolkit::makeWritableFolder(path_);
                usable_ = true;
            } catch (const toolkit::Failure& failure) {
                report.outputFailed(QStringLiteral("No se ha escrito ningún archivo %1: %2.")
                                        .arg(kind_, failure.reason()));
            }
        }
        return usable_;
    }

  private:
    QString path_;
    QString kind_;
    bool checked_ = false;
    bool usable_ = false;
};

}  // namespace

// Converts every picture that File1 lists to the frame's size and writes it as JPG and/or BMP
// into the output folders under the program folder. A picture that fails is set aside with its
// reason and the run goes on; one message at the end lists them all.
void Form1::ConvertFolder() {
    using toolkit::toSingle;
    Picture1->setAutoRedraw(true);
    const QString programFolder = system_.programFolder();
    OutputFolder jpegFolder(convert::jpegFolderPath(programFolder), QStringLiteral("JPG"));
    OutputFolder bmpFolder(convert::bmpFolderPath(programFolder), QStringLiteral("BMP"));
    convert::RunReport report;

    // Where none of the ticked output folders can be written (a program folder installed for
    // the whole system, say), converting would only fail picture after picture: say once why
    // and what to do, and touch nothing.
    QStringList ticked;
    if (Check2(0).value() == 1) ticked << convert::kOutputFolders[0];
    if (Check2(1).value() == 1) ticked << convert::kOutputFolders[1];
    const bool noneWritable =
        !ticked.isEmpty() && std::all_of(ticked.begin(), ticked.end(), [&](const QString& folder) {
            return !convert::outputFoldersProblem(programFolder, {folder}).isEmpty();
        });
    if (noneWritable) {
        Image1->show();
        system_.messageBox(this, convert::outputFoldersProblem(programFolder, ticked));
        return;
    }

    const std::int16_t count = File1->listCount();
    for (std::int16_t i = 0; i < count; ++i) {
        Image1->setStretch(false);
        Image1->hide();
        const QString name = File1->list(i);
        if (!convert::isPictureName(name)) continue;
        const auto attempt = [&](auto&& step) {
            try {
                step();
                return true;
            } catch (const std::exception& failure) {
                report.failed(name, reasonOf(failure));
                return false;
            }
        };

        const bool painted = attempt([&] {
            // A file the decoder could read only in part must not pass for a good picture.
            Image1->loadWholePicture(convert::sourcePath(File1->path(), name));
            try {
                if (Check2(2).value() != 0) {
                    const float W = Image1->width();
                    const std::int32_t H = toolkit::roundHalfEven(Image1->height());
                    Image1->setStretch(true);
                    if (Picture2(1).backColor() == kWidthTouchedLast) {
                        Image1->setWidth(Picture1->width());
                        Image1->setHeight(toSingle(toolkit::divide(
                            static_cast<double>(Picture1->width()) * static_cast<double>(H),
                            static_cast<double>(W))));
                        Picture1->setHeight(Image1->height());
                    } else {
                        Image1->setHeight(Picture1->height());
                        Image1->setWidth(toSingle(toolkit::divide(
                            static_cast<double>(Picture1->height()) * static_cast<double>(W),
                            static_cast<double>(H))));
                        Picture1->setWidth(Image1->width());
                    }
                } else {
                    Image1->setStretch(true);
                    Image1->setWidth(Picture1->width());
                    Image1->setHeight(Picture1->height());
                }
            } catch (const toolkit::Failure& failure) {
                throw toolkit::Failure(
                    failure.message(),
                    QStringLiteral("no se puede escalar la imagen al tamaño pedido (%1)")
                        .arg(failure.reason()));
            }
            // A picture far narrower (or flatter) than the frame can come out under one pixel.
            if (toolkit::unitsToPixels(Image1->width()) < 1 ||
                toolkit::unitsToPixels(Image1->height()) < 1)
                throw toolkit::Failure(
                    QStringLiteral("a este tamaño la imagen escalada se queda sin ningún píxel de "
                                   "ancho o de alto"));
            // White first: transparent parts must not show the previous picture.
            Picture1->clearSurface(kWhite);
            Picture1->paintPicture(Image1->picture(), 0, 0, Image1->width(), Image1->height());
        });
        if (!painted) continue;

        if (Check2(0).value() == 1 && jpegFolder.ready(report)) {
            attempt([&] {
                const QString destination = convert::jpegOutputPath(programFolder, name);
                jpegWriter_.bind(programFolder);
                // The writer takes the picture from a BMP file that only this run can see.
                toolkit::ScratchFile scratch(QStringLiteral(".bmp"));
                Picture1->writeSurface(scratch.device());
                scratch.close();
                jpegWriter_.write(scratch.path(), destination, kJpegQuality, Check1->value());
                scratch.remove(system_);
                report.wrote();
            });
        }
        if (Check2(1).value() == 1 && bmpFolder.ready(report)) {
            attempt([&] {
                Picture1->saveSurface(convert::bmpOutputPath(programFolder, name));
                report.wrote();
            });
        }
    }
    Image1->show();

    const QString message = report.closingMessage();
    if (!message.isEmpty()) system_.messageBox(this, message);
}
