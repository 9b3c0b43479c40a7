#pragma once

#include "support/pixelruns.h"

#include <QImage>
#include <QImageReader>
#include <QProcess>
#include <QRect>
#include <QString>
#include <QStringList>

namespace gridorra::test {

// A PDF's bytes with the time it was made taken out: documents drawn alike
// at other times compare equal.
inline QByteArray withoutCreationDate(QByteArray pdf)
{
    const qsizetype at = pdf.indexOf("/CreationDate (D:");
    if (at >= 0)
        pdf.replace(at, pdf.indexOf(')', at) - at + 1, "/CreationDate (D:0)");
    return pdf;
}

// Renders part of the first page of a PDF in grey with pdftoppm; `area` is in
// pixels at the given resolution. A null image when pdftoppm fails.
inline QImage rasterisePdf(const QString& pdf, int dpi, const QRect& area)
{
    const QString prefix = pdf + QStringLiteral(".raster");
    QProcess p;
    p.start(QStringLiteral("pdftoppm"),
            {"-r", QString::number(dpi), "-gray", "-singlefile", "-png", "-x",
             QString::number(area.x()), "-y", QString::number(area.y()), "-W",
             QString::number(area.width()), "-H", QString::number(area.height()), pdf, prefix});
    if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        return {};
    return QImage(prefix + QStringLiteral(".png"));
}

// The same with Ghostscript, as CUPS's filters render a job for a raster
// printer (gstoraster), in grey.
inline QImage rasterisePdfWithGhostscript(const QString& pdf, int dpi, const QRect& area)
{
    const QString out = pdf + QStringLiteral(".gs.png");
    QProcess p;
    p.start(QStringLiteral("gs"),
            {"-q", "-dSAFER", "-dNOPAUSE", "-dBATCH", "-dFirstPage=1", "-dLastPage=1",
             "-sDEVICE=pgmraw", "-r" + QString::number(dpi), "-sOutputFile=" + out, pdf});
    if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        return {};
    QImageReader::setAllocationLimit(512); // a whole page at 600 dpi
    return QImage(out).copy(area);
}

// The page size in points of the first page, from pdfinfo.
inline QSizeF pdfPageSize(const QString& pdf)
{
    QProcess p;
    p.start(QStringLiteral("pdfinfo"), {pdf});
    if (!p.waitForFinished(30000))
        return {};
    const QString out = QString::fromUtf8(p.readAllStandardOutput());
    for (const QString& line : out.split('\n')) {
        if (!line.startsWith(QStringLiteral("Page size:")))
            continue;
        const QStringList parts = line.simplified().split(' ');
        // "Page size: 612 x 792 pts (letter)"
        if (parts.size() >= 5)
            return {parts[2].toDouble(), parts[4].toDouble()};
    }
    return {};
}

// Dark runs (grey below the middle) along one row of a grey image.
inline Runs darkRunsInRow(const QImage& image, int y)
{
    return runsWhere(image.width(), [&](int x) { return qGray(image.pixel(x, y)) < 128; });
}

// Centres of the dark runs along one row of a grey image.
inline QList<double> darkRunCentres(const QImage& row)
{
    QList<double> out;
    for (const auto& run : darkRunsInRow(row, 0))
        out << (run.first + run.second + 1) / 2.0;
    return out;
}

} // namespace gridorra::test
