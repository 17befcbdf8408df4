#include "convert/batch/run_report.h"

#include <QStringList>

namespace convert {

namespace {

using EntryFailure = RunReport::EntryFailure;

// A second text for the same entry joins the first.
void addTo(std::vector<EntryFailure>& entries, const QString& entry, const QString& text) {
    if (!entries.empty() && entries.back().entry == entry)
        entries.back().reason += QStringLiteral("; ") + text;
    else
        entries.push_back({entry, text});
}

// "entry: text" lines, at most kListedEntries of them, and how many more there are.
void listEntries(QStringList& lines, const std::vector<EntryFailure>& entries) {
    const int listed = qMin<int>(RunReport::kListedEntries, int(entries.size()));
    for (int i = 0; i < listed; ++i)
        lines << QStringLiteral("%1: %2").arg(entries[i].entry, entries[i].reason);
    if (const int rest = int(entries.size()) - listed; rest > 0)
        lines << (rest == 1 ? QStringLiteral("… y 1 archivo más.")
                            : QStringLiteral("… y %1 archivos más.").arg(rest));
}

}  // namespace

void RunReport::failed(const QString& entry, const QString& reason) {
    addTo(failures_, entry, reason);
}

void RunReport::noted(const QString& entry, const QString& note) {
    addTo(notes_, entry, note);
}

void RunReport::outputFailed(const QString& text) {
    outputProblems_ << text;
}

QString RunReport::closingMessage() const {
    const bool problems = !failures_.empty() || !outputProblems_.isEmpty();
    if (!problems && notes_.empty() && !cancelled_) return {};
    QStringList lines;
    lines << (cancelled_ ? QStringLiteral("Se ha cancelado la conversión antes de terminar.")
              : problems ? QStringLiteral("La conversión ha terminado con problemas.")
                         : QStringLiteral("La conversión ha terminado."));
    for (const QString& problem : outputProblems_) lines << QString() << problem;
    if (!failures_.empty()) {
        lines << QString()
              << (failures_.size() == 1 ? QStringLiteral("No se ha podido convertir este archivo:")
                                        : QStringLiteral("No se han podido convertir estos %1 "
                                                         "archivos:")
                                              .arg(failures_.size()));
        listEntries(lines, failures_);
    }
    if (!notes_.empty()) {
        lines << QString()
              << (notes_.size() == 1
                      ? QStringLiteral("Este archivo se ha convertido, con un aviso:")
                      : QStringLiteral("Estos %1 archivos se han convertido, con un "
                                       "aviso:")
                            .arg(notes_.size()));
        listEntries(lines, notes_);
    }
    lines << QString()
          << (written_ == 1 ? QStringLiteral("Se ha escrito 1 archivo.")
                            : QStringLiteral("Se han escrito %1 archivos.").arg(written_));
    return lines.join(QLatin1Char('\n'));
}

}  // namespace convert
