#include "errorreport.h"

#include "product.h"

namespace gridorra {

const QString& ErrorReport::title()
{
    static const QString t = QStringLiteral("Application Error");
    return t;
}

namespace {

QString pleaseEmail()
{
    return QStringLiteral("Please email screenshot of this message to ") + product::supportAddress;
}

} // namespace

QString ErrorReport::text(const QString& description, const QString& location, int label)
{
    return description + QStringLiteral("\r\n") + location + QStringLiteral("at line ") +
           QString::number(label) + QStringLiteral("\r\r") + pleaseEmail();
}

void ErrorReport::report(const QString& description, const QString& location, int label)
{
    m_boxes.show(text(description, location, label), title(), MessageBoxes::Icon::Warning);
}

void ErrorReport::reportUnexpected(const QString& description)
{
    m_boxes.show(description + QStringLiteral("\r\r") + pleaseEmail(), title(),
                 MessageBoxes::Icon::Warning);
}

} // namespace gridorra
