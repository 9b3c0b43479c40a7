#pragma once

#include <QSizeF>
#include <QString>

class QPainter;

namespace gridorra {

// The calibration sheet: two rulers, one across and one down, each with
// marks every millimetre (longer every 5 and 10) on one edge and every
// 1/16 inch on the other, from a start mark at 0, as long as the printable
// area allows; beside each, one line that says what to measure.
namespace calibration {

// Where the rulers lie, in millimetres from the printable area's corner:
// the across ruler along the top, the down ruler on the left below it.
inline constexpr double acrossStart = 10; // the across ruler's 0
inline constexpr double acrossEdge = 22;  // its edge: mm marks below, inch marks above
inline constexpr double downStart = 34;   // the down ruler's 0
inline constexpr double downEdge = 25;    // its edge: mm marks right, inch marks left
inline constexpr double room = 5;         // left free beyond each ruler's end

// The lengths the rulers run to on a printable area of this size (mm):
// whole centimetres and whole inches.
struct Lengths {
    int acrossMm = 0;
    int acrossIn = 0;
    int downMm = 0;
    int downIn = 0;
};
Lengths lengthsFor(const QSizeF& printableMm);

// Draws the sheet with the painter at the printable area's corner, in
// dots; `printer` is named in the command it tells the user to run.
void draw(QPainter& painter, double dotsPerMm, const QSizeF& printableMm, const QString& printer);

} // namespace calibration
} // namespace gridorra
