#pragma once

#include "render/placedmarks.h"

#include <QByteArray>
#include <QPointF>
#include <QSize>
#include <QString>

#include <optional>

namespace gridorra {

// A sheet of marks as a PDF, written directly: one content stream that
// every page of a notebook shares (or two, where the backs differ), in device units (`dpi` to the
// inch) from the page's top-left corner. Lines across or down the page of two dots or more are
// filled rectangles, their edges on the dots; a 1-dot line and a slanted one are strokes (with
// stroke adjustment, which keeps a 1-dot line one dot wide in any renderer); a dot is its rows of
// whole dots; a row of dots that repeats is drawn once and placed where it repeats.
class PdfSheet {
public:
    // `points`: the page in whole points, as the print service gets it.
    PdfSheet(const QSize& points, int dpi, quint32 rgb) : m_points(points), m_dpi(dpi), m_rgb(rgb)
    {}

    // The marks, moved by `shift` (the printable corner on the page); with
    // `back`, those of the even pages; in `rgb` where given, else in the
    // colour before.
    void draw(const PlacedMarks& marks, const QPointF& shift, bool back = false,
              std::optional<quint32> rgb = std::nullopt);

    QByteArray pdf(const QString& title, int pages = 1) const;

private:
    QSize m_points;
    int m_dpi;
    quint32 m_rgb;
    QByteArray m_content;
    QByteArray m_back;        // the even pages', where they differ
    QList<QByteArray> m_rows; // the forms of repeating rows of dots
};

} // namespace gridorra
