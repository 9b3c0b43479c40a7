#pragma once

#include <QtGlobal>

namespace gridorra {

// A surface the grid is drawn on: the preview box or the current printer.
// Coordinates are in the canvas's unit (twips), origin at the top-left corner
// of the drawable area; pen widths are device pixels. Every operation may
// fail with a gridorra::Failure carrying a short description.
class Canvas {
public:
    // Unit codes of ScaleMode.
    static constexpr int twips = 1;
    static constexpr int pixels = 3;

    virtual ~Canvas() = default;

    virtual void cls() = 0;
    virtual int scaleMode() const = 0;
    virtual void setScaleMode(int mode) = 0;
    virtual double scaleWidth() const = 0;
    virtual double scaleHeight() const = 0;
    virtual void setDrawWidth(qint16 width) = 0;
    // A straight line in the colour 0x00BBGGRR with the current pen; what
    // lies outside the drawable area is clipped.
    virtual void line(float x1, float y1, float x2, float y2, quint32 colour) = 0;
    // Everything drawn since the last EndDoc leaves as one print job.
    virtual void endDoc() = 0;
};

} // namespace gridorra
