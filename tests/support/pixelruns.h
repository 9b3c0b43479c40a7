#pragma once

#include <QColor>
#include <QImage>
#include <QList>
#include <QPair>

namespace gridorra::test {

using Runs = QList<QPair<int, int>>; // first and last pixel of each run

// The runs of pixels of the given colour along one row of the image.
inline Runs runsInRow(const QImage& image, int y, QColor colour)
{
    Runs runs;
    for (int x = 0; x < image.width(); ++x) {
        if (image.pixelColor(x, y) != colour)
            continue;
        if (!runs.isEmpty() && runs.last().second == x - 1)
            runs.last().second = x;
        else
            runs.append({x, x});
    }
    return runs;
}

// The runs of pixels of the given colour down one column of the image.
inline Runs runsInColumn(const QImage& image, int x, QColor colour)
{
    Runs runs;
    for (int y = 0; y < image.height(); ++y) {
        if (image.pixelColor(x, y) != colour)
            continue;
        if (!runs.isEmpty() && runs.last().second == y - 1)
            runs.last().second = y;
        else
            runs.append({y, y});
    }
    return runs;
}

// Single pixels as runs of one.
inline Runs singles(std::initializer_list<int> positions)
{
    Runs runs;
    for (int p : positions)
        runs.append({p, p});
    return runs;
}

} // namespace gridorra::test
