#pragma once

#include <QColor>
#include <QImage>
#include <QList>
#include <QPair>

namespace gridorra::test {

using Runs = QList<QPair<int, int>>; // first and last pixel of each run

// The runs of places 0 .. count - 1 where `matches` holds.
template <typename Matches> Runs runsWhere(int count, Matches&& matches)
{
    Runs runs;
    for (int i = 0; i < count; ++i) {
        if (!matches(i))
            continue;
        if (!runs.isEmpty() && runs.last().second == i - 1)
            runs.last().second = i;
        else
            runs.append({i, i});
    }
    return runs;
}

// The runs of pixels of the given colour along one row of the image.
inline Runs runsInRow(const QImage& image, int y, QColor colour)
{
    return runsWhere(image.width(), [&](int x) { return image.pixelColor(x, y) == colour; });
}

// The runs of pixels of the given colour down one column of the image.
inline Runs runsInColumn(const QImage& image, int x, QColor colour)
{
    return runsWhere(image.height(), [&](int y) { return image.pixelColor(x, y) == colour; });
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
