#include "calibrationsheet.h"

#include <QFont>
#include <QPainter>
#include <QScopeGuard>

#include <cmath>

namespace gridorra::calibration {

namespace {

constexpr double mmPerInch = 25.4;
constexpr double room = 10; // left free beyond each ruler's end

} // namespace

Lengths lengthsFor(const QSizeF& printableMm)
{
    const double across = printableMm.width() - acrossStart - room;
    const double down = printableMm.height() - downStart - room;
    return {int(std::floor(across / 10)) * 10, int(std::floor(across / mmPerInch)),
            int(std::floor(down / 10)) * 10, int(std::floor(down / mmPerInch))};
}

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

    // One ruler along `along` from its 0 at `start`, its edge at `edge`;
    // `place` turns (position along, distance from the edge) into a point.
    const auto ruler = [&](double start, int mmLength, int inLength, auto place, bool across) {
        const auto tick = [&](double at, double from, double to) {
            const QPointF a = place(dots(at), dots(from)), b = place(dots(at), dots(to));
            const QRectF r = across ? QRectF(a.x() - mark / 2, std::min(a.y(), b.y()), mark,
                                             std::abs(b.y() - a.y()))
                                    : QRectF(std::min(a.x(), b.x()), a.y() - mark / 2,
                                             std::abs(b.x() - a.x()), mark);
            painter.drawRect(r);
        };
        const auto label = [&](double at, double distance, const QString& text) {
            const QPointF p = place(dots(at), dots(distance));
            painter.setPen(Qt::black);
            const auto noPen = qScopeGuard([&] { painter.setPen(Qt::NoPen); });
            painter.drawText(QRectF(p.x() - dots(5), p.y() - dots(2), dots(10), dots(4)),
                             Qt::AlignCenter, text);
        };
        // The edge itself, and the start mark across both sides.
        const QPointF e0 = place(0, 0), e1 = place(dots(mmLength + 1), 0);
        painter.drawRect(
            across ? QRectF(e0.x() + dots(start), e0.y() - mark / 2, e1.x() - e0.x(), mark)
                   : QRectF(e0.x() - mark / 2, e0.y() + dots(start), mark, e1.y() - e0.y()));
        tick(start, -8, 8);
        for (int i = 0; i <= mmLength; ++i) {
            tick(start + i, 0, i % 10 == 0 ? 5 : i % 5 == 0 ? 3.5 : 2);
            if (i % 10 == 0)
                label(start + i, 7, i == 0 ? QStringLiteral("0 mm") : QString::number(i));
        }
        for (int i = 0; i <= inLength * 16; ++i) {
            const double at = start + i * mmPerInch / 16;
            tick(at, 0, -(i % 16 == 0 ? 5 : i % 4 == 0 ? 3.5 : i % 2 == 0 ? 2.5 : 1.5));
            if (i % 16 == 0 && i > 0)
                label(at, -7, QString::number(i / 16) + QStringLiteral(" in"));
        }
    };

    ruler(
        acrossStart, lengths.acrossMm, lengths.acrossIn,
        [&](double along, double off) { return QPointF(along, dots(acrossEdge) + off); }, true);
    ruler(
        downStart, lengths.downMm, lengths.downIn,
        [&](double along, double off) { return QPointF(dots(downEdge) + off, along); }, false);

    // What to measure, and the command to run with what was measured.
    painter.setPen(Qt::black);
    const QString command = QStringLiteral("gridorra --calibrate --printer \"%1\" --across "
                                           "<measured>mm --down <measured>mm")
                                .arg(printer);
    painter.drawText(QPointF(dots(acrossStart), dots(acrossEdge - 14)),
                     QStringLiteral("Across: measure from 0 to %1 mm (%2 in) and run: %3")
                         .arg(lengths.acrossMm)
                         .arg(lengths.acrossIn)
                         .arg(command));
    painter.save();
    painter.translate(dots(downEdge + 16), dots(downStart));
    painter.rotate(90);
    painter.drawText(QPointF(0, 0), QStringLiteral("Down: measure from 0 to %1 mm (%2 in) and "
                                                   "give it as --down")
                                        .arg(lengths.downMm)
                                        .arg(lengths.downIn));
    painter.restore();
}

} // namespace gridorra::calibration
