#pragma once

#include "render/canvas.h"
#include "render/placedmarks.h"

#include <QLineF>
#include <QList>
#include <QMap>
#include <QPageLayout>
#include <QPainter>
#include <QPair>
#include <QSizeF>
#include <QString>

#include <functional>

class QBuffer;
class QPdfWriter;

namespace gridorra {

class BitPage;
struct Marks;
class SvgPaths;

// A printer, or an export's page, as a canvas. It works in twips (1440 are
// resolution() dots), its origin is the printable area's top-left corner,
// its extent the printable area, and its pens are whole printer dots, their
// edges on the printer's dots. The first drawing call after an EndDoc
// begins a document; EndDoc ends it. What the canvas draws on is one of its
// kinds: a PDF (PdfCanvas, a printer's or an export's), the bits of a PNG
// (BitsCanvas) or the paths of an SVG (SvgCanvas).
class PrinterCanvas : public Canvas {
public:
    ~PrinterCanvas() override = default;

    // The title of the documents.
    void setJobTitle(const QString& title) { m_jobTitle = title; }

    // The printer's correction, across and down: the drawing is stretched by
    // these factors, its extent shrunk by them (so it still fills the
    // printable area), its pens unchanged.
    void setCorrection(double across, double down)
    {
        m_across = across;
        m_down = down;
    }
    // The printer's dots per inch across and down where they differ from
    // the document's resolution (a driver printing at 600 x 300): pens are
    // whole dots of their axis, and places snap to them. 0: the document's.
    void setPrinterDots(int across, int down)
    {
        m_dotsAcross = across;
        m_dotsDown = down;
    }
    // Whether the printer counts its rows from the page's foot (a
    // PostScript printer, as PostScript does): on a page whose height is
    // not whole dots (A4's 842 points, 7016.67 dots at 600 dpi), lines
    // then snap to the rows as counted from there.
    void setRowsFromFoot(bool fromFoot) { m_rowsFromFoot = fromFoot; }
    // The paper the print service puts the page on, in points, where it is
    // not the page's own size in whole points (A4 is 595.28 x 841.89): the
    // service centres the page on it, and the drawing is moved back by as
    // much, so that it lies on the printer's dots. None: the page is the paper.
    void setPaper(const QSizeF& points) { m_paper = points; }
    // The printable area in twips, to a fraction of a twip, as on the
    // paper: the paper's exact size (A4 is 595.28 x 841.89 points, not the
    // whole points of the page Qt writes) less the margins, shrunk by the
    // correction as scaleWidth() is.
    QSizeF printableArea() const;

    // Draws one sheet of marks (see place()) as one document and ends it.
    // A PDF has `pages` pages that share the sheet's content (the even ones
    // `back`'s, where given), and is returned; a PNG's or an SVG's drawing
    // stays with its page, and nothing is returned.
    QByteArray drawMarks(const Marks& marks, quint32 colour, int pages = 1,
                         const Marks* back = nullptr);

    // How many documents have ended.
    int documentsEnded() const { return m_documentsEnded; }

    void cls() override;
    int scaleMode() const override { return twips; }
    void setScaleMode(int mode) override;
    double scaleWidth() const override;
    double scaleHeight() const override;
    void setDrawWidth(qint16 width) override;
    void line(float x1, float y1, float x2, float y2, quint32 colour) override;
    void endDoc() override;

protected:
    // `layout` and `dpi` for a page of the canvas's own; a PDF writer's
    // canvas answers them from the writer.
    PrinterCanvas(const QPageLayout& layout, int dpi, bool onDots);

    virtual QPageLayout layout() const { return m_layout; }
    virtual int dpi() const { return m_dpi; }
    // Whether the device's origin is where Qt's PDF engine puts it (the
    // printable corner in whole pixels from margins in whole points), not
    // the page's corner.
    virtual bool qtOrigin() const { return false; }

    // Begins a document; a Failure fails the drawing call that began it
    // (and the rest of the document's drawing passes silently).
    virtual void open() = 0;
    // Lines of one pen, `width` printer dots, in device units from the
    // device's origin (shift() not yet added), in `colour`.
    virtual void putLines(int width, const QList<QLineF>& lines, const QColor& colour) = 0;
    // Ends the document, counting it (countEnded()) once it is whole.
    virtual void close() = 0;
    // A sheet of marks at its places on the device (see drawMarks()).
    virtual QByteArray putMarks(const Marks& marks, quint32 colour, int pages, const Marks* back,
                                const Placement& placement) = 0;

    // Begins a document where none is open; false where this one could not
    // be begun (said once, by the Failure that the call beginning it threw).
    bool beginDocument();
    // The lines not yet put down, dropped with a document abandoned.
    void dropPending() { m_pending.clear(); }
    void flushLines();
    void countEnded() { ++m_documentsEnded; }
    const QString& jobTitle() const { return m_jobTitle; }

    // The sheet's place on the device as the canvas stands now (see
    // placeOnPage()), and what a sheet of marks needs of it.
    void placeOnPage();
    Placement placement() const;
    // The device's origin from the page's corner, and the shift from
    // where the sheet is worked out to where it is drawn (see m_shift).
    QPoint placed() const { return m_placed; }
    QPointF shift() const { return m_shift; }
    double dotsPerTwip() const { return m_dotsPerTwip; }
    // A line's pen in device units: whole dots of the axis it lies across.
    double penAcross(const QLineF& line, int width) const;
    // The marks a colour at a time: the weights in colours of their own, one
    // ink after another; else every mark in `colour`.
    static QList<QPair<quint32, Marks>> byInk(const Marks& marks, quint32 colour);
    // A stored colour (a system colour's index, or 0x00BBGGRR) as 0xRRGGBB.
    static quint32 rgbOf(quint32 colour);

private:
    // Device units per printer dot, across and down (1 but for a driver
    // whose dots are not square).
    double unitAcross() const;
    double unitDown() const;

    QPageLayout m_layout;
    int m_dpi = 0;
    bool m_onDots = true;
    QString m_jobTitle;
    qint16 m_drawWidth = 1;
    double m_across = 1.0;
    double m_down = 1.0;
    int m_dotsAcross = 0;
    int m_dotsDown = 0;
    bool m_rowsFromFoot = false;
    QSizeF m_paper;
    bool m_open = false;
    // A document that could not be begun is reported once; the rest of its
    // drawing passes silently until the next EndDoc.
    bool m_documentFailed = false;
    int m_documentsEnded = 0;
    QMap<qint16, QList<QLineF>> m_pending; // by pen width, not yet on the page
    quint32 m_pendingColour = 0;

    // Where the sheet lies on the device, in device units, as placeOnPage()
    // works it out from the layout, the resolution, the paper and the
    // printer's rows:
    //  - m_placed: the device's origin, from the page's corner. Qt's PDF
    //    engine puts it at the printable area's corner from margins rounded
    //    to whole points (a printer's 9.64 pt margin becomes 10 pt, 3.5
    //    dots off at 600 dpi); a page of the canvas's own has it at the
    //    page's corner (none).
    //  - m_origin: the rest of the way from the device's origin to the
    //    printable area's exact corner, where the sheet begins.
    //  - m_shift: m_origin less the centring of the whole-point page on
    //    the print service's paper; every mark is drawn moved by it.
    //  - m_foot: how far the rows of a printer that counts them from the
    //    page's foot lie from those counted from the top.
    //  - m_dotsPerTwip: the resolution in dots per twip.
    QPoint m_placed;
    QPointF m_origin;
    QPointF m_shift;
    double m_foot = 0;
    double m_dotsPerTwip = 1.0;
};

// A printer's document or an export's PDF, drawn by Qt's PDF writer: the
// window's grid as Qt's engine draws it (the document a printer gets), a
// sheet of marks as the program's own PDF (see PdfSheet), and the
// calibration sheet's page.
class PdfCanvas final : public PrinterCanvas {
public:
    explicit PdfCanvas(QPdfWriter& writer);
    ~PdfCanvas() override;

    // Each document is written afresh into `document` (the writer's device),
    // and handed to `send` when whole; a Failure it throws fails the EndDoc.
    void setSender(QBuffer* document, std::function<void(const QByteArray&)> send)
    {
        m_document = document;
        m_send = std::move(send);
    }

    // Draws one page that is not a grid (the calibration sheet) with the
    // painter at the printable area's exact corner, in dots, uncorrected;
    // it leaves as one job.
    void drawPage(const std::function<void(QPainter&)>& draw);

private:
    QPageLayout layout() const override;
    int dpi() const override;
    bool qtOrigin() const override { return true; }
    void open() override;
    void putLines(int width, const QList<QLineF>& lines, const QColor& colour) override;
    void close() override;
    QByteArray putMarks(const Marks& marks, quint32 colour, int pages, const Marks* back,
                        const Placement& placement) override;

    QPdfWriter& m_writer;
    QPainter m_painter;
    QBuffer* m_document = nullptr;
    std::function<void(const QByteArray&)> m_send;
};

// A PNG's page of bits, drawn into directly: lines and dots on whole pixels,
// each ink a layer of its own.
class BitsCanvas final : public PrinterCanvas {
public:
    BitsCanvas(BitPage& page, const QPageLayout& layout, int dpi);

    // The inks (0xRRGGBB) of the layers the last sheet of marks drew, one a
    // weight with a colour of its own; empty for one ink.
    QList<quint32> layerInks() const
    {
        return m_layerInks.size() > 1 ? m_layerInks : QList<quint32>();
    }

private:
    void open() override {}
    void putLines(int width, const QList<QLineF>& lines, const QColor& colour) override;
    void close() override { countEnded(); }
    QByteArray putMarks(const Marks& marks, quint32 colour, int pages, const Marks* back,
                        const Placement& placement) override;
    void drawPlaced(const PlacedMarks& placed, BitPage& bits) const;

    BitPage& m_bits;
    QList<quint32> m_layerInks;
};

// An SVG's lines written as text, at their exact places (on whole units
// with `onDots`).
class SvgCanvas final : public PrinterCanvas {
public:
    SvgCanvas(SvgPaths& paths, const QPageLayout& layout, int dpi, bool onDots);

private:
    void open() override {}
    void putLines(int width, const QList<QLineF>& lines, const QColor& colour) override;
    void close() override { countEnded(); }
    QByteArray putMarks(const Marks& marks, quint32 colour, int pages, const Marks* back,
                        const Placement& placement) override;
    void drawPlaced(const PlacedMarks& placed, const QString& colour);

    SvgPaths& m_paths;
};

// Paints one whole page (an image's, or Qt's SVG generator's) with the
// painter at the printable area's exact corner, in device units: the
// calibration sheet of a PNG or an SVG.
void paintPage(QPaintDevice& device, const QPageLayout& layout, int dpi,
               const std::function<void(QPainter&)>& draw);

} // namespace gridorra
