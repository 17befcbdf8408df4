#include "convert/batch/run_report.h"

#include <QStringList>

namespace convert {

void RunReport::failed(const QString& entry, const QString& reason) {
    if (!failures_.empty() && failures_.back().entry == entry)
        failures_.back().reason += QStringLiteral("; ") + reason;
    else
        failures_.push_back({entry, reason});
}

void RunReport::outputFailed(const QString& text) {
    outputProblems_ << text;
}

QString RunReport::closingMessage() const {
    if (failures_.empty() && outputProblems_.isEmpty() && !cancelled_) return {};
    QStringList lines;
    lines << (cancelled_ ? QStringLiteral("Se ha cancelado la conversión antes de terminar.")
                         : QStringLiteral("La conversión ha terminado con problemas."));
    for (const QString& problem : outputProblems_) lines << QString() << problem;
    if (!failures_.empty()) {
        lines << QString()
              << (failures_.size() == 1 ? QStringLiteral("No se ha podido convertir este archivo:")
                                        : QStringLiteral("No se han podido convertir estos %1 "
                                                         "archivos:")
                                              .arg(failures_.size()));
        const int listed = qMin<int>(kListedEntries, int(failures_.size()));
        for (int i = 0; i < listed; ++i)
            lines << QStringLiteral("%1: %2").arg(failures_[i].entry, failures_[i].reason);
        if (const int rest = int(failures_.size()) - listed; rest > 0)
            lines << (rest == 1 ? QStringLiteral("… y 1 archivo más.")
                                : QStringLiteral("… y %1 archivos más.").arg(rest));
    }
    lines << QString()
          << (written_ == 1 ? QStringLiteral("Se ha escrito 1 archivo.")
                            : QStringLiteral("Se han escrito %1 archivos.").arg(written_));
    return lines.join(QLatin1Char('\n'));
}

}  // namespace convert
