#pragma once

#include "canvas.h"
#include "marks.h"

#include <QFrame>
#include <QImage>
#include <QPainter>

namespace gridorra {

// Paints marks (twips from the corner, pens in the device's pixels) with
// the ink, `pixelsPerTwip` apart: the preview of another kind of paper, and
// the Kind of Paper dialog's pictures.
// The marks in `ink`, or each weight in its own (Marks::inks).
void paintMarks(QPainter& painter, const Marks& marks, const QColor& ink, double pixelsPerTwip);

// The preview box (Picture2): a canvas that draws into a backing image and
// repaints the widget from it, so the drawing survives being covered. Twips
// map to screen pixels at true size where the screen tells its size (1440
// twips to its inch), else at the nominal 15 twips a pixel (96 dpi); the
// image has one pixel per device pixel, and every line of one pen is as
// many device pixels wide, at any scale factor.
class PreviewBox : public QFrame, public Canvas {
    Q_OBJECT
public:
    static constexpr int nominalTwipsPerPixel = 15;

    // Twips per screen pixel: true size, or the nominal 15.
    double twipsPerPixel() const;
    // The screen's device pixels per inch where it tells its size (and the
    // size is plausible), else 0.
    double screenDensity() const;
    // How big the preview is, for its description and tooltip: "true size
    // at 163 dpi", or "at the screen's nominal 96 dpi".
    QString sizeNote() const;
    // Where the lines stand out less than 3:1 even from white paper (a
    // light colour), what a user should know, for the same places: "the
    // lines stand out little from white paper (1.4:1)"; else empty.
    QString paperNote() const;

    explicit PreviewBox(QWidget* parent = nullptr);
    ~PreviewBox() override;

    // What is drawn, one pixel per device pixel.
    QImage image() const;
    QColor backgroundColour() const;

    void cls() override;
    int scaleMode() const override { return m_scaleMode; }
    void setScaleMode(int mode) override;
    double scaleWidth() const override;
    double scaleHeight() const override;
    void setDrawWidth(qint16 width) override;
    void line(float x1, float y1, float x2, float y2, quint32 colour) override;
    void endDoc() override;

    // Device pixels per inch the box draws at (true size, or the nominal
    // 96 dpi, times the scale factor): what another kind of paper's marks
    // are made for, their pens then whole device pixels.
    int devicePixelsPerInch();
    // Clears the box and draws another kind of paper's marks (twips from
    // the corner, pens in device pixels) in the colour, on the same paper
    // the grid's lines would have: those of them that lie in the box.
    void drawMarks(const Marks& marks, quint32 colour);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    double unitsPerPixel() const;
    QPointF toDevice(float x, float y) const;
    int devicePen() const;
    QRect deviceArea() const;
    void ensureImage();
    void finishPainting() const;
    // The ink of a first mark on a clean box, and the paper it needs.
    QColor takeInk(quint32 colour);

    int m_scaleMode = twips;
    qint16 m_drawWidth = 1;
    qreal m_ratio = 1.0;
    mutable QImage m_image;
    mutable QPainter m_painter;
    bool m_penChanged = true;
    quint32 m_penColour = 0;
    bool m_updatePending = false;
    QLineF m_lastLine;
    QColor m_background; // the paper since the last Cls
    QColor m_ink;        // the first line's colour since the last Cls
    bool m_drawnOn = false;
};

} // namespace gridorra
