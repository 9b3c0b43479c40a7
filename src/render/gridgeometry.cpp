#include "gridgeometry.h"

#include "core/failure.h"
#include "core/number.h"

#include <QStringList>

#include <cmath>

namespace gridorra::grid {

qint16 wideWidth(qint16 thin)
{
    return number::toInt16(thin * 1.5 + 2);
}

qint16 spacing(qint16 unitLength, const QString& countText)
{
    const qint16 count = number::toInt16(countText);
    return number::toInt16(number::divide(unitLength, count));
}

namespace {

double exactUnit(bool inches)
{
    return inches ? 1440.0 : 1440.0 / 2.54;
}

} // namespace

double exactSpacing(bool inches, const QString& countText)
{
    try {
        const qint16 count = number::toInt16(countText);
        return count > 0 && exactUnit(inches) / count >= 1 ? exactUnit(inches) / count : 0;
    } catch (const Failure&) {
        return 0; // the job's step says why
    }
}

QString roundingNote(bool inches, const QString& down, const QString& across)
{
    const qint16 unit = inches ? twipsPerInch : twipsPerCentimetre;
    const auto length = [&](double twips, char format, int digits) {
        return inches
                   ? QStringLiteral("%1 in").arg(twips / 1440.0, 0, format, digits)
                   : QStringLiteral("%1 mm").arg(twips / exactUnit(false) * 10, 0, format, digits);
    };
    QStringList apart, asked;
    for (const QString& count : {down, across}) {
        try {
            const qint16 twips = spacing(unit, count);
            const double exact = exactSpacing(inches, count);
            if (twips > 0 && exact > 0 && std::abs(twips / exact - 1) > 0.0005) {
                apart << length(twips, 'f', inches ? 4 : 3);
                asked << length(exact, 'g', 4);
                continue;
            }
        } catch (const Failure&) {
            // a count the grid cannot draw says so elsewhere
        }
        apart << QString();
        asked << QString();
    }
    QString what;
    if (!apart[0].isEmpty() && apart[0] == apart[1])
        what = QStringLiteral("lines are %1 apart both ways, not %2").arg(apart[0], asked[0]);
    else if (!apart[0].isEmpty() && !apart[1].isEmpty())
        what = QStringLiteral("horizontal lines are %1 apart, not %2, vertical lines %3, "
                              "not %4")
                   .arg(apart[0], asked[0], apart[1], asked[1]);
    else if (!apart[0].isEmpty())
        what = QStringLiteral("horizontal lines are %1 apart, not %2").arg(apart[0], asked[0]);
    else if (!apart[1].isEmpty())
        what = QStringLiteral("vertical lines are %1 apart, not %2").arg(apart[1], asked[1]);
    return what.isEmpty() ? what : what + QStringLiteral(" (the window's whole twips)");
}

} // namespace gridorra::grid
