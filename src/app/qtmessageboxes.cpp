#include "qtmessageboxes.h"

#include <QMessageBox>

namespace gridorra {

std::unique_ptr<QMessageBox> QtMessageBoxes::build(const QString& text, const QString& title,
                                                   Icon icon, QWidget* parent)
{
    // Every CR LF and every lone CR is a line break on screen.
    QString shown = text;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    auto box = std::make_unique<QMessageBox>(icon == Icon::Warning ? QMessageBox::Warning
                                                                   : QMessageBox::NoIcon,
                                             title, shown, QMessageBox::Ok, parent);
    box->setTextFormat(Qt::PlainText);
    return box;
}

void QtMessageBoxes::show(const QString& text, const QString& title, Icon icon)
{
    build(text, title, icon, m_parent)->exec();
}

} // namespace gridorra
