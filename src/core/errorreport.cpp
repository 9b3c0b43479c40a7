#include "errorreport.h"

#include "product.h"

namespace gridorra {

const QString& ErrorReport::title()
{
    static const QString t = QStringLiteral("Application Error");
    return t;
}

QString ErrorReport::text(const QString& description, const QString& location, int label)
{
    return description + QStringLiteral("\r\n") + location + QStringLiteral("at line ") +
           QString::number(label) + QStringLiteral("\r\r") +
           QStringLiteral("Please email screenshot of this message to ") + product::supportAddress;
}

void ErrorReport::report(const QString& description, const QString& location, int label)
{
    m_boxes.show(text(description, location, label), title(), MessageBoxes::Icon::Warning);
}

} // namespace gridorra
