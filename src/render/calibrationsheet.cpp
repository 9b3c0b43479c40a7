#include "calibrationsheet.h"

#include <QFont>
#include <QPainter>
#include <QScopeGuard>

#include <cmath>
#include <functional>

namespace gridorra::calibration {

namespace {

constexpr double mmPerInch = 25.4;
constexpr double labelGap = 6.5; // from the edge to a label: 1.5 mm beyond the longest mark
constexpr double lineHeight = 5; // between the lines of the instructions

} // namespace

Lengths lengthsFor(const QSizeF& printableMm)
{
    const double across = printableMm.width() - acrossStart - room;
    const double down = printableMm.height() - downStart - room;
    return {int(std::floor(across / 10)) * 10, int(std::floor(across / mmPerInch)),
            int(std::floor(down / 10)) * 10, int(std::floor(down / mmPerInch))};
}

namespace {

// One ruler along its axis from its 0 at `start` (mm), its marks `mark`
// dots wide; `place` turns (dots along, dots from the edge) into a point.
// Millimetres lie on the positive side of the edge, inches on the other.
void drawRuler(QPainter& painter, double dotsPerMm, double mark, double start, int mmLength,
               int inLength, const std::function<QPointF(double, double)>& place, bool across)
{
    const auto dots = [dotsPerMm](double mm) { return mm * dotsPerMm; };
    const auto tick = [&](double at, double from, double to) {
        const QPointF a = place(dots(at), dots(from)), b = place(dots(at), dots(to));
        const QRectF r =
            across
                ? QRectF(a.x() - mark / 2, std::min(a.y(), b.y()), mark, std::abs(b.y() - a.y()))
                : QRectF(std::min(a.x(), b.x()), a.y() - mark / 2, std::abs(b.x() - a.x()), mark);
        painter.drawRect(r);
    };
    // A label beyond the longest mark on its side, centred on `at`; the
    // start's label beside the start mark, which crosses both sides.
    const auto label = [&](double at, int side, const QString& text) {
        const bool isStart = at == start;
        QRectF r;
        int align = 0;
        if (across) {
            const QPointF near = place(dots(isStart ? at - 1.5 : at), dots(side * labelGap));
            r = QRectF(isStart ? near.x() - dots(12) : near.x() - dots(6),
                       side > 0 ? near.y() : near.y() - dots(4), dots(12), dots(4));
            align = (isStart ? Qt::AlignRight : Qt::AlignHCenter) |
                    (side > 0 ? Qt::AlignTop : Qt::AlignBottom);
        } else {
            const QPointF near = place(dots(isStart ? at + 3 : at), dots(side * labelGap));
            r = QRectF(side > 0 ? near.x() : near.x() - dots(20), near.y() - dots(2), dots(20),
                       dots(4));
            align = (side > 0 ? Qt::AlignLeft : Qt::AlignRight) | Qt::AlignVCenter;
        }
        painter.setPen(Qt::black);
        const auto noPen = qScopeGuard([&] { painter.setPen(Qt::NoPen); });
        painter.drawText(r, align, text);
    };
    // The edge itself, and the start mark across both sides.
    const QPointF e0 = place(0, 0), e1 = place(dots(mmLength + 1), 0);
    painter.drawRect(across
                         ? QRectF(e0.x() + dots(start), e0.y() - mark / 2, e1.x() - e0.x(), mark)
                         : QRectF(e0.x() - mark / 2, e0.y() + dots(start), mark, e1.y() - e0.y()));
    tick(start, -8, 8);
    for (int i = 0; i <= mmLength; ++i) {
        tick(start + i, 0, i % 10 == 0 ? 5 : i % 5 == 0 ? 3.5 : 2);
        if (i % 10 == 0)
            label(start + i, 1, i == 0 ? QStringLiteral("0 mm") : QString::number(i));
    }
    for (int i = 0; i <= inLength * 16; ++i) {
        const double at = start + i * mmPerInch / 16;
        tick(at, 0, -(i % 16 == 0 ? 5 : i % 4 == 0 ? 3.5 : i % 2 == 0 ? 2.5 : 1.5));
        if (i % 16 == 0)
            label(at, -1, QString::number(i / 16) + QStringLiteral(" in"));
    }
}

// What each ruler is, beside it, and what to do with what was measured.
void drawWords(QPainter& painter, double dotsPerMm, const Lengths& lengths, const QString& printer)
{
    const auto dots = [dotsPerMm](double mm) { return mm * dotsPerMm; };
    painter.setPen(Qt::black);
    const auto scales = [](const char* name, const char* mmSide, int mm, const char* inSide,
                           int in) {
        return QStringLiteral("%1: mm scale (%2): measure 0 to %3 mm. Inch scale (%4): 0 to %5 in.")
            .arg(QLatin1String(name))
            .arg(QLatin1String(mmSide))
            .arg(mm)
            .arg(QLatin1String(inSide))
            .arg(in);
    };
    painter.drawText(QPointF(dots(acrossStart), dots(acrossEdge - 14)),
                     scales("Across", "below", lengths.acrossMm, "above", lengths.acrossIn));
    painter.save();
    painter.translate(dots(downEdge + 16), dots(downStart));
    painter.rotate(90);
    painter.drawText(QPointF(0, 0),
                     scales("Down", "right", lengths.downMm, "left", lengths.downIn));
    painter.restore();
    const QStringList instructions = {
        QStringLiteral("To print true to size on this printer, measure both rulers from the "
                       "start mark 0"),
        QStringLiteral("with a good ruler, each on its mm scale or on its inch scale, and run:"),
        QStringLiteral("gridorra --calibrate --printer \"%1\" --across LENGTH --down LENGTH")
            .arg(printer),
        QStringLiteral("giving each length as measured with its unit: %1mm on the mm scale, "
                       "%2in on the inch scale.")
            .arg(lengths.acrossMm - 0.6, 0, 'f', 1)
            .arg(lengths.acrossIn - 0.02, 0, 'f', 2),
    };
    for (int i = 0; i < instructions.size(); ++i)
        painter.drawText(QPointF(dots(downEdge + 25), dots(downStart + 16 + i * lineHeight)),
                         instructions[i]);
}

} // namespace

void draw(QPainter& painter, double dotsPerMm, const QSizeF& printableMm, const QString& printer)
{
    const Lengths lengths = lengthsFor(printableMm);
    const double mark = std::max(1.0, std::round(0.127 * dotsPerMm)); // a mark's width, dots
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::black);
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(int(std::round(2.5 * dotsPerMm)));
    painter.setFont(font);
    const auto dots = [dotsPerMm](double mm) { return mm * dotsPerMm; };
    drawRuler(
        painter, dotsPerMm, mark, acrossStart, lengths.acrossMm, lengths.acrossIn,
        [&](double along, double off) { return QPointF(along, dots(acrossEdge) + off); }, true);
    drawRuler(
        painter, dotsPerMm, mark, downStart, lengths.downMm, lengths.downIn,
        [&](double along, double off) { return QPointF(dots(downEdge) + off, along); }, false);
    drawWords(painter, dotsPerMm, lengths, printer);
}

} // namespace gridorra::calibration
