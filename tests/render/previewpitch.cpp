// The preview box on the screen it is started on, drawn with lines a tenth
// of an inch apart (thin ones across, wide ones down) and read back in
// device pixels: what it says of its size, and the runs of one row and one
// column, "first,last" pairs. For tst_previewscreen, under Xvfb.
#include "render/previewbox.h"

#include <QApplication>
#include <QTest>

#include <cstdio>

using namespace gridorra;

namespace {

QString runs(int count, const std::function<bool(int)>& dark)
{
    QStringList out;
    int start = -1;
    for (int i = 0; i <= count; ++i) {
        const bool d = i < count && dark(i);
        if (d && start < 0)
            start = i;
        if (!d && start >= 0) {
            out << QStringLiteral("%1,%2").arg(start).arg(i - 1);
            start = -1;
        }
    }
    return out.join(' ');
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    PreviewBox box;
    box.resize(137, 47);
    box.show();
    if (!QTest::qWaitForWindowExposed(&box))
        return 1;
    box.cls();
    box.setDrawWidth(1);
    for (int x = 0; x <= box.scaleWidth(); x += 144)
        box.line(x, 0, x, float(box.scaleHeight()), 0);
    box.setDrawWidth(4);
    for (int y = 0; y <= box.scaleHeight(); y += 144)
        box.line(0, y, float(box.scaleWidth()), y, 0);
    // As the screen shows it: the widget painted, in device pixels, inside
    // its 2-pixel border; the row and the column half a tenth of an inch in.
    const QImage painted = box.grab().toImage();
    const int border = qRound(2 * box.devicePixelRatioF());
    const QImage shown = painted.copy(painted.rect().adjusted(border, border, -border, -border));
    const auto dark = [&](int x, int y) { return qGray(shown.pixel(x, y)) < 128; };
    const int half = qRound(72 / box.twipsPerPixel() * box.devicePixelRatioF());
    std::printf("note %s\ndensity %.4f\nsize %d %d\nrow %s\ncolumn %s\n",
                qPrintable(box.sizeNote()), box.screenDensity(), shown.width(), shown.height(),
                qPrintable(runs(shown.width(), [&](int x) { return dark(x, half); })),
                qPrintable(runs(shown.height(), [&](int y) { return dark(half, y); })));
    return 0;
}
