#pragma once

#include "render/canvas.h"

#include <QList>

#include <functional>

namespace gridorra::test {

// A canvas that keeps the calls made of it, for checking the layout itself.
// Pixel output is checked on the real preview box and printer.
class RecordingCanvas : public Canvas {
public:
    struct Line {
        qint16 pen;
        float x1, y1, x2, y2;
        quint32 colour;
    };

    RecordingCanvas(double width, double height) : m_width(width), m_height(height) {}

    void cls() override { lines.clear(); }
    int scaleMode() const override { return m_mode; }
    void setScaleMode(int mode) override { m_mode = mode; }
    double scaleWidth() const override { return m_width; }
    double scaleHeight() const override { return m_height; }
    void setDrawWidth(qint16 width) override
    {
        pen = width;
        ++penSets;
    }
    void line(float x1, float y1, float x2, float y2, quint32 colour) override
    {
        if (onLine)
            onLine();
        lines.append({pen, x1, y1, x2, y2, colour});
    }
    void endDoc() override { ++endDocs; }

    QList<Line> horizontal() const
    {
        QList<Line> out;
        for (const Line& l : lines)
            if (l.y1 == l.y2 && l.x1 != l.x2)
                out.append(l);
        return out;
    }
    QList<Line> vertical() const
    {
        QList<Line> out;
        for (const Line& l : lines)
            if (l.x1 == l.x2 && l.y1 != l.y2)
                out.append(l);
        return out;
    }

    QList<Line> lines;
    qint16 pen = 1;
    int penSets = 0;
    int endDocs = 0;
    std::function<void()> onLine;

private:
    double m_width;
    double m_height;
    int m_mode = twips;
};

} // namespace gridorra::test
