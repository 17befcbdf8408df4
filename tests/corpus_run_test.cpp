// Every file of the shared picture corpus through one batch run per way of sizing, against the
// table corpus_run_expected.tsv beside this file (written by scripts/corpus-table).
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QImage>
#include <map>

#include "convert/output_names.h"
#include "support/conversion_run.h"
#include "support/qt_printers.h"
#include "toolkit/picture_file.h"

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

// The mean colour of each cell of a 3 x 3 grid, each pixel weighted by how much of it lies in
// the cell: what the table's fingerprints hold.
QList<QColor> gridMeans(const QImage& picture) {
    constexpr int kGrid = 3;
    const auto spans = [](int size) {
        std::vector<std::vector<std::pair<int, double>>> cells(kGrid);
        for (int cell = 0; cell < kGrid; ++cell) {
            const double low = double(cell) * size / kGrid, high = double(cell + 1) * size / kGrid;
            for (int p = int(low); p < size && p < high; ++p) {
                const double weight = std::min(high, p + 1.0) - std::max(low, double(p));
                if (weight > 0) cells[cell].push_back({p, weight});
            }
        }
        return cells;
    };
    const QImage rgb = picture.convertToFormat(QImage::Format_RGB32);
    const auto columns = spans(rgb.width()), rows = spans(rgb.height());
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
    for (const char* folder : {"good", "odd", "bad"}) {
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
