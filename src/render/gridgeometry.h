#pragma once

#include <QString>
#include <QtGlobal>

namespace gridorra {

// What one drawing of the grid derives from the parameters and the canvas's
// extent. Every value is a 16-bit whole number; a value a failed step could
// not set stays 0.
struct GridGeometry {
    quint32 colour = 0;
    qint16 thinWidth = 0; // pen of an ordinary line, device pixels
    qint16 wideWidth = 0; // pen of a wide line, device pixels
    qint16 width = 0;     // W, extent of the drawable area, twips
    qint16 height = 0;    // H
    qint16 topMargin = 0; // the wide width taken as twips
    qint16 leftMargin = 0;
    qint16 horizontalSpacing = 0; // between horizontal lines, twips
    qint16 verticalSpacing = 0;   // between vertical lines, twips
    qint16 horizontalPeriod = 0;  // horizontal lines per wide horizontal line
    qint16 verticalPeriod = 0;    // vertical lines per wide vertical line
};

namespace grid {

inline constexpr qint16 twipsPerInch = 1440;
inline constexpr qint16 twipsPerCentimetre = 567;

// Thin pen from a thickness: 0 becomes 1.
constexpr qint16 thinWidth(qint16 thickness)
{
    return thickness == 0 ? qint16(1) : thickness;
}

// Wide pen: thin x 1.5 + 2, halves to even (1 -> 4, 3 -> 6, 5 -> 10).
qint16 wideWidth(qint16 thin);

// Unit length / the count read from a field, rounded halves to even
// (per centimetre: 2 -> 284, 14 -> 40). A count of 0 is a "Division by zero".
qint16 spacing(qint16 unitLength, const QString& countText);

// The distance in twips between lines of a count (a whole number, as
// spacing() reads it) exactly the unit over the count, without the whole
// twips (2 per centimetre: 283.46); 0 where the count is no number above 0
// or the lines would be closer than a twip (one line is drawn, as the
// window draws it).
double exactSpacing(bool inches, const QString& countText);

// Where the whole twips of spacing() are more than 0.05 % off the length
// the counts ask for (2 per centimetre: 284 twips, 5.009 mm for 5 mm), what
// they really are: "lines are 5.009 mm apart both ways, not 5 mm (the
// window's whole twips)". Empty where every spacing is within 0.05 % or
// cannot be read.
QString roundingNote(bool inches, const QString& down, const QString& across);

} // namespace grid
} // namespace gridorra
