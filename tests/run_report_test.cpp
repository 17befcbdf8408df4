#include "convert/batch/run_report.h"

#include <gtest/gtest.h>

using convert::RunReport;

TEST(RunReport, ACleanRunSaysNothing) {
    RunReport report;
    report.wrote();
    report.wrote();
    EXPECT_TRUE(report.closingMessage().isEmpty());
}

TEST(RunReport, ListsEachFailedEntryWithItsReasonAndCountsWhatWasWritten) {
    RunReport report;
    report.wrote();
    report.failed(QStringLiteral("vacía.jpg"), QStringLiteral("el archivo está vacío"));
    report.failed(QStringLiteral("b.gif"), QStringLiteral("no se puede escribir «b.jpg»: disco"));
    report.failed(QStringLiteral("b.gif"), QStringLiteral("no se puede guardar «b.bmp»: disco"));
    report.wrote();
    report.wrote();
    const QString text = report.closingMessage();
    EXPECT_TRUE(text.contains(QStringLiteral("vacía.jpg: el archivo está vacío")))
        << qPrintable(text);
    EXPECT_TRUE(text.contains(QStringLiteral(
        "b.gif: no se puede escribir «b.jpg»: disco; no se puede guardar «b.bmp»: disco")))
        << qPrintable(text);
    EXPECT_TRUE(text.contains(QStringLiteral("No se han podido convertir estos 2 archivos:")));
    EXPECT_TRUE(text.endsWith(QStringLiteral("Se han escrito 3 archivos.")));
}

TEST(RunReport, AFolderProblemIsSaidOnceAndLongListsAreCut) {
    RunReport report;
    report.outputFailed(QStringLiteral("No se ha escrito ningún archivo JPG: no se puede crear"));
    EXPECT_TRUE(report.closingMessage().contains(QStringLiteral("ningún archivo JPG")));
    EXPECT_TRUE(report.closingMessage().endsWith(QStringLiteral("Se han escrito 0 archivos.")));

    for (int i = 0; i < RunReport::kListedEntries + 3; ++i)
        report.failed(QStringLiteral("f%1.jpg").arg(i), QStringLiteral("dañado"));
    const QString text = report.closingMessage();
    EXPECT_TRUE(text.contains(QStringLiteral("f%1.jpg").arg(RunReport::kListedEntries - 1)));
    EXPECT_FALSE(text.contains(QStringLiteral("f%1.jpg").arg(RunReport::kListedEntries)));
    EXPECT_TRUE(text.contains(QStringLiteral("… y 3 archivos más.")));
}
