#include "app/size_readout.h"

#include "toolkit/controls/simple_controls.h"
#include "toolkit/controls/units.h"

void showSize(toolkit::TextBox& box, float units) {
    const QString text = toolkit::numberToText(units);
    box.setText(text);
    const QString inPixels =
        QStringLiteral("%1 = %2 píxeles")
            .arg(text, toolkit::numberToText(units / float(toolkit::kUnitsPerPixel)));
    box.setToolTip(inPixels);
    box.setAccessibleDescription(inPixels +
                                 QStringLiteral(". Escriba otro tamaño y pulse Intro; Escape "
                                                "deja el que hay"));
}
