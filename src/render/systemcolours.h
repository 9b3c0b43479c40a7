#pragma once

#include <QColor>
#include <QPalette>

namespace gridorra {

// The colour a 0x00BBGGRR value shows as. System colours (top bit set) take
// the matching role of the palette.
QColor toQColor(quint32 value, const QPalette& palette);

} // namespace gridorra
