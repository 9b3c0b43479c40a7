#include "gridgeometry.h"

#include "core/number.h"

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

} // namespace gridorra::grid
