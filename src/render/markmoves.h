#pragma once

#include "marks.h"

#include <QRectF>
#include <QSizeF>

namespace gridorra::markmoves {

// What a sheet's marks cover, in twips from the printable corner, their
// pens (dots at `dpi`) included: a slanted line as the box about its ends.
QRectF inkBox(const Marks& marks, int dpi);

// The marks moved so that what they cover lies in the middle of `area`
// (twips): a kind's whole cells, which end where the last whole one does,
// then leave the same room on the right as on the left, at the foot as at
// the top.
void centre(Marks& marks, const QSizeF& area, int dpi);
// How far centre() moves the marks, and the marks moved by so much.
QPointF centring(const Marks& marks, const QSizeF& area, int dpi);
void move(Marks& marks, const QPointF& by);

// The marks as a mirror shows them, left for right about the middle of
// `area`: the back of a page printed on both sides, whose margins mirror
// the front's.
Marks mirrored(const Marks& marks, const QSizeF& area);

// Marks laid out across a landscape area (`portrait` turned: its height
// across, its width down) placed on the portrait page they print on, the
// landscape sheet's top along the page's left edge: a point `u` across and
// `v` down the landscape sheet lies `v` across and `portrait.height() - u`
// down the page.
Marks turned(const Marks& marks, const QSizeF& portrait);

} // namespace gridorra::markmoves
