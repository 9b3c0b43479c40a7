#pragma once

#include <QColor>
#include <QPalette>

namespace gridorra {

// The colour a 0x00BBGGRR value shows as. System colours (top bit set) take
// the matching role of the palette.
QColor toQColor(quint32 value, const QPalette& palette);

// The contrast ratio of two colours (1 to 21), as accessibility guidelines
// measure it: relative luminance (sRGB), lighter over darker.
double contrastRatio(const QColor& a, const QColor& b);

// Black or white, whichever stands out more from the colour.
QColor blackOrWhiteAgainst(const QColor& colour);

// `preferred` where it keeps `ratio` to the background, else black or
// white, whichever stands out more.
QColor readableOn(const QColor& background, const QColor& preferred, double ratio = 4.5);

// The palette with `background` in `role` (a fixed colour of the design
// or the skin's): the `text` role drawn on it keeps its colour where that
// stands out at least 4.5:1 (3:1 disabled), and is black or white where
// it does not (a dark theme's light text on the design's white).
QPalette withBackground(QPalette p, QPalette::ColorRole role, const QColor& background,
                        QPalette::ColorRole text);

} // namespace gridorra
