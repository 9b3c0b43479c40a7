#include "qtmessageboxes.h"

#include <QMessageBox>

namespace gridorra {

void QtMessageBoxes::show(const QString& text, const QString& title, Icon icon)
{
    // Every CR LF and every lone CR is a line break on screen.
    QString shown = text;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    QMessageBox box(icon == Icon::Warning ? QMessageBox::Warning : QMessageBox::NoIcon, title,
                    shown, QMessageBox::Ok, m_parent);
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

} // namespace gridorra
