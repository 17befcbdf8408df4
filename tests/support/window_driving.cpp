#include "window_driving.h"

#include <QApplication>
#include <QDropEvent>
#include <QMimeData>
#include <QPointer>

#include "app/form1.h"

namespace {

QString numbers(std::initializer_list<double> values) {
    QStringList parts;
    for (double value : values) parts << QString::number(value);
    return parts.join(u',');
}

QString describeControl(const QWidget& widget) {
    QString line = widget.objectName();
    if (const auto* g = dynamic_cast<const toolkit::Geometry*>(&widget))
        line += QStringLiteral(" at ") + numbers({g->left(), g->top(), g->width(), g->height()});
    line +=
        widget.isVisibleTo(widget.window()) ? QStringLiteral(" shown") : QStringLiteral(" hidden");
    if (!widget.isEnabled()) line += QStringLiteral(" disabled");
    if (const auto* button = qobject_cast<const toolkit::CommandButton*>(&widget))
        line += QStringLiteral(" «%1»").arg(button->text());
    if (const auto* box = qobject_cast<const toolkit::CheckBox*>(&widget))
        line += QStringLiteral(" «%1» value %2").arg(box->text()).arg(box->value());
    if (const auto* text = qobject_cast<const toolkit::TextBox*>(&widget))
        line += QStringLiteral(" «%1»").arg(text->text());
    if (const auto* label = qobject_cast<const toolkit::Label*>(&widget))
        line += QStringLiteral(" «%1»").arg(label->text());
    if (const auto* box = qobject_cast<const toolkit::PictureBox*>(&widget))
        line += QStringLiteral(" colour %1 surface %2")
                    .arg(box->backColor(), 6, 16, QChar(u'0'))
                    .arg(box->surface().cacheKey());
    if (const auto* image = qobject_cast<const toolkit::ImageControl*>(&widget))
        line += QStringLiteral(" picture %1 stretch %2")
                    .arg(image->picture().cacheKey())
                    .arg(image->stretch());
    if (const auto* list = qobject_cast<const toolkit::FileList*>(&widget)) {
        QStringList names;
        for (std::int16_t i = 0; i < list->listCount(); ++i) names << list->list(i);
        line += QStringLiteral(" «%1» [%2] selected %3")
                    .arg(list->path(), names.join(u'|'))
                    .arg(list->listIndex());
    }
    return line;
}

}  // namespace

QStringList describeWindow(const Form1& form) {
    QStringList lines;
    lines << QStringLiteral("Form1 «%1» state %2")
                 .arg(form.windowTitle())
                 .arg(static_cast<int>(form.windowState()));
    for (const QWidget* widget : form.findChildren<QWidget*>())
        if (dynamic_cast<const toolkit::Geometry*>(widget)) lines << describeControl(*widget);
    for (const auto& [name, line] : {std::pair{"Line1", &form.Line1}, {"Line2", &form.Line2}})
        lines << QStringLiteral("%1 %2").arg(
            QLatin1String(name), numbers({line->x1(), line->y1(), line->x2(), line->y2()}));
    lines << QStringLiteral("SourceWidth %1 SourceHeight %2")
                 .arg(form.SourceWidth)
                 .arg(form.SourceHeight);
    return lines;
}

QStringList withoutControls(const QStringList& description, const QStringList& names) {
    QStringList kept;
    for (const QString& line : description)
        if (!names.contains(line.section(u' ', 0, 0))) kept << line;
    return kept;
}

ModalDriver::ModalDriver(std::function<void(QWidget*)> act) : act_(std::move(act)) {
    timer_.setInterval(10);
    QObject::connect(&timer_, &QTimer::timeout, [this] {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal && modal->isVisible()) {
            timer_.stop();
            ran_ = true;
            act_(modal);
            // A window the answer failed to close would hang the test: close it after a while
            // and let the test's checks say what went wrong.
            QPointer<QWidget> stillOpen = modal;
            QTimer::singleShot(20000, [stillOpen] {
                if (stillOpen && stillOpen->isVisible()) stillOpen->close();
            });
        } else if (++waited_ > 6000) {  // a minute, for a busy machine
            timer_.stop();
        }
    });
    timer_.start();
}

Drop dropOn(Form1& form, const QList<QUrl>& items, Qt::DropActions offered) {
    QMimeData dragged;
    dragged.setUrls(items);
    const QPoint where = form.Picture1->geometry().center();
    QDragEnterEvent enter(where, offered, &dragged, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&form, &enter);
    QDropEvent drop(where, offered, &dragged, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&form, &drop);
    return {enter.isAccepted(), drop.isAccepted(),
            drop.isAccepted() ? drop.dropAction() : Qt::IgnoreAction};
}
