// Every file of the shared picture corpus through one batch run per way of sizing, against the
// table corpus_run_expected.tsv beside this file (written by scripts/corpus-table).
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <cmath>
#include <map>

#include "convert/batch/output_names.h"
#include "support/conversion_run.h"
#include "support/qt_printers.h"
#include "toolkit/pictures/picture_file.h"

namespace {

using Sizing = ConversionRun::Sizing;

struct Row {
    QString folder, name;
    // By sizing: an output size "441x331", "skip", or "reported: <part of the reason>".
    QString result[3];
    QList<QColor> fingerprint;  // empty: the size alone is checked
    int tolerance = 0;
};

const QString kReported = QStringLiteral("reported: ");

std::vector<Row> readTable() {
    QFile file(QStringLiteral(VELARIA_SOURCE_DIR "/tests/corpus_run_expected.tsv"));
    if (!file.open(QIODevice::ReadOnly)) return {};
    std::vector<Row> rows;
    for (const QByteArray& line : file.readAll().split('\n')) {
        if (line.isEmpty() || line.startsWith('#')) continue;
        const QStringList cells = QString::fromUtf8(line).split(QLatin1Char('\t'));
        if (cells.size() < 7) continue;
        Row row;
        row.folder = cells[0].section(QLatin1Char('/'), 0, 0);
        row.name = cells[0].section(QLatin1Char('/'), 1);
        for (int i = 0; i < 3; ++i) row.result[i] = cells[2 + i];
        if (cells[5] != QLatin1String("-")) {
            for (const QString& colour : cells[5].split(QLatin1Char(',')))
                row.fingerprint << QColor(QLatin1Char('#') + colour);
            row.tolerance = cells[6].toInt();
        }
        rows.push_back(row);
    }
    return rows;
}

// "441x331" as a size; an invalid size for any other result.
QSize sizeOf(const QString& result) {
    const QStringList parts = result.split(QLatin1Char('x'));
    bool wide = false, high = false;
    const QSize size =
        parts.size() == 2 ? QSize(parts[0].toInt(&wide), parts[1].toInt(&high)) : QSize();
    return wide && high ? size : QSize();
}

// The mean colour of each cell of a grid (3 x 3: what the table's fingerprints hold), each pixel
// weighted by how much of it lies in the cell.
QList<QColor> gridMeans(const QImage& picture, int across = 3, int down = 3) {
    const auto spans = [](int size, int count) {
        std::vector<std::vector<std::pair<int, double>>> cells{size_t(count)};
        for (int cell = 0; cell < count; ++cell) {
            const double low = double(cell) * size / count, high = double(cell + 1) * size / count;
            for (int p = int(low); p < size && p < high; ++p) {
                const double weight = std::min(high, p + 1.0) - std::max(low, double(p));
                if (weight > 0) cells[cell].push_back({p, weight});
            }
        }
        return cells;
    };
    const QImage rgb = picture.convertToFormat(QImage::Format_RGB32);
    const auto columns = spans(rgb.width(), across), rows = spans(rgb.height(), down);
    QList<QColor> means;
    for (const auto& row : rows)
        for (const auto& column : columns) {
            double total = 0, r = 0, g = 0, b = 0;
            for (const auto& [y, wy] : row) {
                const auto* line = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
                for (const auto& [x, wx] : column) {
                    const double weight = wx * wy;
                    total += weight;
                    r += weight * qRed(line[x]);
                    g += weight * qGreen(line[x]);
                    b += weight * qBlue(line[x]);
                }
            }
            means << QColor(qRound(r / total), qRound(g / total), qRound(b / total));
        }
    return means;
}

int largestDifference(const QList<QColor>& a, const QList<QColor>& b) {
    int largest = 0;
    for (qsizetype i = 0; i < a.size() && i < b.size(); ++i)
        largest =
            std::max({largest, std::abs(a[i].red() - b[i].red()),
                      std::abs(a[i].green() - b[i].green()), std::abs(a[i].blue() - b[i].blue())});
    return a.size() == b.size() ? largest : 255;
}

// An output file: decodable by itself whole, of the expected size, showing the source.
void expectOutput(const QString& path, const Row& row, const QSize& size) {
    SCOPED_TRACE(path.toStdString());
    toolkit::PictureRead read;
    try {
        read = toolkit::readPictureFile(path);
    } catch (const std::exception& failure) {
        ADD_FAILURE() << "the output does not decode: " << failure.what();
        return;
    }
    EXPECT_TRUE(read.damage.isEmpty()) << read.damage.toStdString();
    EXPECT_EQ(read.image.size(), size);
    if (row.fingerprint.isEmpty()) return;
    const int difference = largestDifference(gridMeans(read.image), row.fingerprint);
    EXPECT_LE(difference, row.tolerance) << "the output does not look like the source";
}

class CorpusRun : public ::testing::TestWithParam<Sizing> {};

}  // namespace

TEST_P(CorpusRun, EveryFileIsConvertedOrReportedAndTheRunGoesOnToTheEnd) {
    const QString corpus = corpusDir();
    if (corpus.isEmpty()) GTEST_SKIP() << "no shared corpus in this checkout";
    const std::vector<Row> rows = readTable();
    ASSERT_FALSE(rows.empty()) << "corpus_run_expected.tsv is missing";
    const int mode = int(GetParam());

    // All of it in one folder, each file under its own name.
    ConversionRun run;
    run.setSizing(GetParam());
    std::map<QString, const Row*> byName;
    for (const Row& row : rows)
        ASSERT_TRUE(byName.emplace(row.name, &row).second) << row.name.toStdString();
    QStringList names;
    for (const char* folder : {"good", "odd", "bad", "color"}) {
        const QDir dir(QDir(corpus).filePath(QString::fromLatin1(folder)));
        for (const QString& name : dir.entryList(QDir::Files)) {
            EXPECT_TRUE(byName.count(name))
                << name.toStdString() << " is not in the table: run scripts/corpus-table";
            ASSERT_TRUE(QFile::copy(dir.filePath(name), run.source.filePath(name)));
            names << name;
        }
    }
    run.convert();

    // The run reached its end and the program is still there, showing the preview again.
    EXPECT_FALSE(run.system.endStatus.has_value());
    EXPECT_FALSE(run.form.Image1->isHidden());
    const std::map<QString, QString> reported = run.reported(names);
    int written = 0;
    for (const Row& row : rows) {
        SCOPED_TRACE((row.folder + QLatin1Char('/') + row.name).toStdString());
        const QString& result = row.result[mode];
        const auto listed = reported.find(row.name);
        if (result.startsWith(kReported)) {
            ASSERT_NE(listed, reported.end()) << "not reported";
            EXPECT_TRUE(listed->second.contains(result.mid(kReported.size())))
                << listed->second.toStdString();
        } else {
            EXPECT_EQ(listed, reported.end()) << listed->second.toStdString();
            if (result != QLatin1String("skip")) written += 2;
        }
    }
    EXPECT_TRUE(run.message().contains(QStringLiteral("Se han escrito %1 archivos.").arg(written)))
        << run.message().toStdString();

    // In list order a later source replaces an earlier one's outputs of the same name.
    std::map<QString, const Row*> lastWritten;
    for (std::int16_t i = 0; i < run.form.File1->listCount(); ++i) {
        const QString name = run.form.File1->list(i);
        const Row& row = *byName.at(name);
        if (sizeOf(row.result[mode]).isValid()) lastWritten[convert::outputStem(name)] = &row;
    }
    QStringList jpegs, bmps;
    for (const auto& [stem, row] : lastWritten) {
        jpegs << stem + QStringLiteral("jpg");
        bmps << stem + QStringLiteral("bmp");
        const QSize size = sizeOf(row->result[mode]);
        expectOutput(run.jpegFolder() + QLatin1Char('/') + jpegs.back(), *row, size);
        expectOutput(run.bmpFolder() + QLatin1Char('/') + bmps.back(), *row, size);
    }
    // Nothing else in the output folders (no temporary file), nothing left in the temporary one.
    jpegs.sort();
    bmps.sort();
    EXPECT_EQ(run.jpegs().join(u'|').toStdString(), jpegs.join(u'|').toStdString());
    EXPECT_EQ(run.bmps().join(u'|').toStdString(), bmps.join(u'|').toStdString());
    EXPECT_TRUE(run.temporary.files().isEmpty()) << run.temporary.files().join(u' ').toStdString();
}

namespace {

std::string sizingName(const ::testing::TestParamInfo<Sizing>& info) {
    const char* names[] = {"WidthDrives", "HeightDrives", "Stretched"};
    return names[int(info.param)];
}

}  // namespace

INSTANTIATE_TEST_SUITE_P(, CorpusRun,
                         ::testing::Values(Sizing::WidthDrives, Sizing::HeightDrives,
                                           Sizing::Stretched),
                         sizingName);

namespace {

const QString kImageMagick = QStringLiteral("/usr/bin/convert-im6.q16");
const QString kPrintProfile = QStringLiteral("/usr/share/color/icc/ghostscript/default_cmyk.icc");

QString iccDir() {
    const QString corpus = corpusDir();
    return corpus.isEmpty() ? QString() : QDir(corpus).filePath(QStringLiteral("../icc"));
}

// ImageMagick's answer, first frame upright on white; a null image when it has none.
QImage imageMagick(QStringList arguments) {
    arguments << QStringLiteral("-auto-orient") << QStringLiteral("-background")
              << QStringLiteral("white") << QStringLiteral("-flatten") << QStringLiteral("-alpha")
              << QStringLiteral("off") << QStringLiteral("-depth") << QStringLiteral("8")
              << QStringLiteral("ppm:-");
    QProcess process;
    process.start(kImageMagick, arguments);
    if (!process.waitForFinished(120000) || process.exitCode() != 0) return {};
    return QImage::fromData(process.readAllStandardOutput(), "PPM");
}

// Peak signal to noise in dB after a box reduction of both to about a sixteenth of the first's
// size: colour, orientation, background and inversion count, the scaling filter does not.
double coarsePsnr(const QImage& output, const QImage& reference) {
    const int across = std::max(4, output.width() / 16), down = std::max(4, output.height() / 16);
    const QList<QColor> a = gridMeans(output, across, down), b = gridMeans(reference, across, down);
    double squares = 0;
    for (qsizetype i = 0; i < a.size(); ++i)
        squares += std::pow(a[i].red() - b[i].red(), 2) + std::pow(a[i].green() - b[i].green(), 2) +
                   std::pow(a[i].blue() - b[i].blue(), 2);
    const double mean = squares / (3.0 * double(a.size()));
    return mean == 0 ? 99 : 10 * std::log10(255.0 * 255.0 / mean);
}

// A tagged source: a corpus file, or the test picture written by ImageMagick with these options
// (the first -profile of an untagged picture only tags it; a second one converts).
struct Tagged {
    const char* name;
    const char* corpusFile;  // or null
    QStringList making;      // "%1" is the shared folder of profiles
};

}  // namespace

// Each output against a colour-managed reference: ImageMagick through its own LittleCMS, from
// the file's embedded profile into sRGB.
TEST(CorpusRunColours, TaggedPicturesComeOutAsAColourManagedReferenceInBothOutputs) {
    const QString icc = iccDir();
    if (icc.isEmpty() || !QFile::exists(kImageMagick))
        GTEST_SKIP() << "no shared profiles or no ImageMagick here";
    const auto profile = [&](const char* name) { return QDir(icc).filePath(QLatin1String(name)); };
    const QString tagP3 = QStringLiteral("-profile|") + profile("DisplayP3-v4.icc");
    const std::vector<Tagged> rows = {
        {"bars.jpg", "color/P3-sRGB-color-bars.jpg", {}},
        {"ring.jpg", "color/R2020-sRGB-color-ring.jpg", {}},
        {"lut.jpg", "odd/icc_profile_big.jpg", {}},  // a 0.4 MB table profile in 7 segments
        {"adobe98.jpg", "good/xmp_test.jpg", {}},
        {"p3.jpg", nullptr, tagP3.split(u'|')},
        {"p3v2.jpg", nullptr, {"-profile", profile("DisplayP3-v2-micro.icc")}},
        {"adobe.jpg", nullptr, {"-profile", profile("AdobeCompat-v4.icc")}},
        {"prophoto.jpg", nullptr, {"-profile", profile("ProPhoto-v4.icc")}},
        {"rec2020.jpg", nullptr, {"-profile", profile("Rec2020-v4.icc")}},
        {"grey.jpg",
         nullptr,
         {"-colorspace", "gray", "-type", "Grayscale", "-profile", profile("sGrey-v4.icc")}},
        {"p3.gif", nullptr, tagP3.split(u'|')},
        {"p3.bmp", nullptr, tagP3.split(u'|')},
        // Converted into print colours and tagged with the print profile: CMYK stored inverted,
        // with Adobe's marker, as libjpeg writes it.
        {"cmyk.jpg", nullptr, {"-profile", profile("sRGB-v4.icc"), "-profile", kPrintProfile}},
    };

    ConversionRun run;
    run.setSizing(Sizing::Stretched);
    // Every hue across, from full colour at the top to grey at the bottom, and a dark band.
    QImage picture(320, 240, QImage::Format_RGB32);
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            picture.setPixelColor(
                x, y, QColor::fromHsv(x * 359 / picture.width(), 255 - y, y < 200 ? 240 : 60));
    const QString base = run.source.filePath(QStringLiteral("base.png"));
    ASSERT_TRUE(picture.save(base));
    QStringList made;
    for (const Tagged& row : rows) {
        const QString path = run.source.filePath(QLatin1String(row.name));
        if (row.corpusFile) {
            ASSERT_TRUE(
                QFile::copy(QDir(corpusDir()).filePath(QLatin1String(row.corpusFile)), path));
        } else {
            if (row.making.contains(kPrintProfile) && !QFile::exists(kPrintProfile)) continue;
            QProcess making;
            making.start(kImageMagick, QStringList{base} + row.making + QStringList{path});
            ASSERT_TRUE(making.waitForFinished(60000) && making.exitCode() == 0) << row.name;
        }
        made << QLatin1String(row.name);
    }
    QFile::remove(base);
    run.convert();

    for (const QString& name : made) {
        SCOPED_TRACE(name.toStdString());
        const QImage reference = imageMagick({run.source.filePath(name) + QStringLiteral("[0]"),
                                              "-profile", profile("sRGB-v4.icc")});
        ASSERT_FALSE(reference.isNull());
        const QString stem = convert::outputStem(name);
        for (const QString& output :
             {run.jpegFolder() + QLatin1Char('/') + stem + QStringLiteral("jpg"),
              run.bmpFolder() + QLatin1Char('/') + stem + QStringLiteral("bmp")}) {
            const QImage written(output);
            ASSERT_FALSE(written.isNull()) << output.toStdString();
            EXPECT_GE(coarsePsnr(written, reference), 40.0) << output.toStdString();
        }
    }
    // The window is left showing the last picture of the list, in the same colours.
    const QString last = run.form.File1->list(std::int16_t(run.form.File1->listCount() - 1));
    ASSERT_TRUE(made.contains(last));
    EXPECT_GE(coarsePsnr(run.form.Image1->picture(),
                         imageMagick({run.source.filePath(last) + QStringLiteral("[0]"), "-profile",
                                      profile("sRGB-v4.icc")})),
              40.0);
}
