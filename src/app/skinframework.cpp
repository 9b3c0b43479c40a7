#include "skinframework.h"

#include "core/failure.h"

#include <QFile>
#include <QWidget>

namespace gridorra {

void SkinFramework::loadSkin(const QString& path, const QString&)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        throw Failure(fail::fileNotFound);
    m_styleSheet = QString::fromUtf8(file.readAll());
    m_loaded = true;
}

void SkinFramework::applyWindow(qint32 windowHandle)
{
    QWidget* window = QWidget::find(WId(quint32(windowHandle)));
    if (!window)
        throw Failure(fail::invalidPropertyValue);
    if (m_loaded && m_applyColours)
        window->setStyleSheet(m_styleSheet);
}

} // namespace gridorra
