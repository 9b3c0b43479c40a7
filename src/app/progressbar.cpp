#include "progressbar.h"

#include "core/failure.h"

#include <QAccessible>
#include <QPainter>
#include <QStyleOptionFrame>

namespace gridorra {

ProgressBar::ProgressBar(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void ProgressBar::setValue(double value)
{
    if (!(value >= minimum && value <= maximum))
        throw Failure(fail::invalidPropertyValue);
    if (value != m_value) {
        m_value = value;
        update();
    }
    emit valueChanged(value);
}

void ProgressBar::setText(const QString& text)
{
    if (text == m_text)
        return;
    m_text = text;
    update();
    QAccessibleEvent changed(this, QAccessible::NameChanged);
    QAccessible::updateAccessibility(&changed);
}

void ProgressBar::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QRect frame = rect();
    painter.fillRect(frame, palette().color(QPalette::Window));
    const QRect inner = frame.adjusted(1, 1, -1, -1);
    const int filled = int(inner.width() * (m_value - minimum) / (maximum - minimum) + 0.5);
    painter.fillRect(QRect(inner.topLeft(), QSize(filled, inner.height())),
                     palette().color(QPalette::Highlight));
    painter.setPen(palette().color(QPalette::Mid));
    painter.drawRect(frame.adjusted(0, 0, -1, -1));
    painter.setPen(palette().color(QPalette::ButtonText));
    painter.drawText(inner, Qt::AlignCenter, m_text);
}

} // namespace gridorra
