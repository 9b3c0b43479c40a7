#pragma once

#include "render/canvas.h"

#include <QLineF>
#include <QList>
#include <QMap>
#include <QPageLayout>
#include <QPainter>
#include <QSizeF>
#include <QString>

#include <functional>

class QBuffer;
class QPdfWriter;

namespace gridorra {

class BitPage;
struct Marks;
struct PlacedMarks;
class SvgPaths;

// A printer, or an export's page, as a canvas: a PDF (Qt's for the
// window's grid, the program's own for marks), a two-colour PNG or an SVG.
// It works in twips (1440 are resolution() dots), its origin is the
// printable area's top-left corner, its extent the printable area, and its
// pens are whole printer dots, their edges on the printer's dots. The first
// drawing call after an EndDoc begins a document; EndDoc ends it, and hands
// it over as one job where the canvas has a sender.
class PrinterCanvas : public Canvas {
public:
    explicit PrinterCanvas(QPdfWriter& writer);
    // A device of one whole page (an image, an SVG), its origin at the
    // page's corner, `dpi` device units to the inch; lines on whole units
    // with `onDots`, else at their exact places; pens in device units.
    PrinterCanvas(QPaintDevice& device, const QPageLayout& layout, int dpi, bool onDots);
    // A page of two colours drawn into directly, lines on whole pixels
    // (`none` is never painted on; drawPage needs a real device).
    PrinterCanvas(BitPage& page, QPaintDevice& none, const QPageLayout& layout, int dpi);
    // An SVG's lines written as text, at their exact places (on whole
    // units with `onDots`).
    PrinterCanvas(SvgPaths& paths, QPaintDevice& none, const QPageLayout& layout, int dpi,
                  bool onDots);
    ~PrinterCanvas() override;

    // The title of the documents.
    void setJobTitle(const QString& title) { m_jobTitle = title; }
    // Each document is written afresh into `document` (the writer's device),
    // and handed to `send` when whole; a Failure it throws fails the EndDoc.
    void setSender(QBuffer* document, std::function<void(const QByteArray&)> send)
    {
        m_document = document;
        m_send = std::move(send);
    }

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

    // Draws one page that is not a grid (the calibration sheet) with the
    // painter at the printable area's exact corner, in dots, uncorrected;
    // it leaves as one job.
    void drawPage(const std::function<void(QPainter&)>& draw);

    // Draws one sheet of marks (see place()) as one document and ends it:
    // for a PDF, `pages` pages that share the sheet's content (the even
    // ones `back`'s, where given), handed to the sender where there is one
    // and returned.
    QByteArray drawMarks(const Marks& marks, quint32 colour, int pages = 1,
                         const Marks* back = nullptr);

    // Every line in this colour, whatever its own (a two-colour image
    // draws in its ink's index and is given the line colour after).
    void setInk(const QColor& ink) { m_ink = ink; }

    // The inks (0xRRGGBB) of the PNG's layers the last sheet of marks
    // drew, one a weight with a colour of its own; empty for one ink.
    QList<quint32> layerInks() const
    {
        return m_layerInks.size() > 1 ? m_layerInks : QList<quint32>();
    }

    // How many documents EndDoc has sent.
    int documentsEnded() const { return m_documentsEnded; }

    void cls() override;
    int scaleMode() const override { return twips; }
    void setScaleMode(int mode) override;
    double scaleWidth() const override;
    double scaleHeight() const override;
    void setDrawWidth(qint16 width) override;
    void line(float x1, float y1, float x2, float y2, quint32 colour) override;
    void endDoc() override;

private:
    bool beginDocument();
    // The printable corner's place on the device and the drawing's shift,
    // for a page drawn by Qt's painter (`qtOrigin`) or directly.
    void placeOnPage(bool qtOrigin);
    void abandon();
    void flushLines();
    // A sheet's marks straight into the PNG's bits or the SVG's paths.
    void drawOnBits(const PlacedMarks& placed, BitPage& bits);
    void drawInSvg(const PlacedMarks& placed, const QString& colour);
    double dotsPerTwip() const;

    QPageLayout layout() const;

    QPaintDevice& m_device;
    QPdfWriter* m_writer = nullptr; // a PDF: its origin as Qt's engine places it
    QPageLayout m_layout;           // of a device of one whole page
    int m_dpi = 0;
    bool m_onDots = true;
    bool m_cosmetic = true;
    QColor m_ink;
    BitPage* m_bits = nullptr;
    SvgPaths* m_paths = nullptr;
    bool m_directOpen = false; // a document drawn into m_bits or m_paths
    // Where the sheet lies on the device, in device units, as placeOnPage()
    // works it out. The printable area's exact corner is m_placed (where
    // Qt's PDF engine puts its origin: margins rounded to whole points;
    // none on a device of a whole page) plus m_origin (the rest of the way
    // to the exact corner, which the painter is shifted by). The print
    // service then centres the whole-point page on its paper; m_shift is
    // m_origin less that centring, the shift of every mark drawn. m_foot is
    // how far the rows of a printer that counts them from the page's foot
    // lie from those counted from the top.
    QPointF m_shift;
    QPoint m_placed;
    QBuffer* m_document = nullptr;
    std::function<void(const QByteArray&)> m_send;
    QPainter m_painter;
    QString m_jobTitle;
    qint16 m_drawWidth = 1;
    double m_dotsPerTwip = 1.0;
    double m_across = 1.0;
    double m_down = 1.0;
    int m_dotsAcross = 0;
    int m_dotsDown = 0;
    bool m_rowsFromFoot = false;
    double m_foot = 0; // see m_shift
    // Device units per printer dot, across and down (1 but for a driver
    // whose dots are not square).
    double unitAcross() const;
    double unitDown() const;
    QSizeF m_paper;
    QPointF m_origin;                      // see m_shift
    QMap<qint16, QList<QLineF>> m_pending; // by pen width, not yet on the page
    quint32 m_pendingColour = 0;
    // A document that could not be begun is reported once; the rest of its
    // drawing passes silently until the next EndDoc.
    bool m_documentFailed = false;
    int m_documentsEnded = 0;
    QList<quint32> m_layerInks;
};

} // namespace gridorra
