#pragma once

#include "canvas.h"

#include <QFrame>
#include <QImage>
#include <QPainter>

namespace gridorra {

// The preview box (Picture2): a canvas that draws into a backing image and
// repaints the widget from it, so the drawing survives being covered. Twips
// map to screen pixels at 15 twips a pixel; the image has one pixel per
// device pixel, so lines stay crisp on high-density screens.
class PreviewBox : public QFrame, public Canvas {
    Q_OBJECT
public:
    static constexpr int twipsPerPixel = 15;

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

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    double unitsPerPixel() const;
    QPointF toDevice(float x, float y) const;
    void ensureImage();
    void finishPainting() const;

    int m_scaleMode = twips;
    qint16 m_drawWidth = 1;
    qreal m_ratio = 1.0;
    mutable QImage m_image;
    mutable QPainter m_painter;
    bool m_penChanged = true;
    quint32 m_penColour = 0;
    bool m_updatePending = false;
    QLineF m_lastLine;
};

} // namespace gridorra
