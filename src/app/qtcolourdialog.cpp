#include "qtcolourdialog.h"

#include "core/colour.h"
#include "render/systemcolours.h"

#include <QColorDialog>
#include <QGuiApplication>

namespace gridorra {

void QtColourDialog::showColor()
{
    QColorDialog dialog(toQColor(m_color, QGuiApplication::palette()), m_parent);
    if (dialog.exec() != QDialog::Accepted)
        return;
    const QColor chosen = dialog.selectedColor();
    m_color = colour::fromRgb(chosen.red(), chosen.green(), chosen.blue());
}

} // namespace gridorra
