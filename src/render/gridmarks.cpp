#include "gridmarks.h"

#include "core/failure.h"
#include "patterns.h"

namespace gridorra {

namespace {

// Takes the grid's lines down as marks, in the grid's own order: every
// horizontal line, then every vertical one.
class MarkRecorder : public Canvas {
public:
    MarkRecorder(const GridGeometry& g, int heavyEvery) : m_g(g), m_heavyEvery(heavyEvery)
    {
        m_marks.pens = {g.thinWidth, g.wideWidth};
        if (heavyEvery > 0)
            m_marks.pens.append(patterns::widerPen(g.wideWidth));
    }

    Marks take() { return std::move(m_marks); }

    void cls() override { throw Failure(fail::invalidPropertyValue); }
    int scaleMode() const override { return twips; }
    void setScaleMode(int) override {}
    double scaleWidth() const override { return m_g.width; }
    double scaleHeight() const override { return m_g.height; }
    void setDrawWidth(qint16 width) override { m_width = width; }
    void line(float x1, float y1, float x2, float y2, quint32) override
    {
        const bool vertical = x1 == x2 && y1 != y2;
        int pen = m_width == m_g.wideWidth ? 1 : 0;
        if (pen == 1 && m_heavyEvery > 0 && m_wide[vertical]++ % m_heavyEvery == 0)
            pen = 2;
        m_marks.segment(pen, x1, y1, x2, y2);
    }
    void endDoc() override {}

private:
    const GridGeometry& m_g;
    int m_heavyEvery;
    qint16 m_width = 1;
    int m_wide[2] = {0, 0}; // wide lines so far, horizontal and vertical
    Marks m_marks;
};

} // namespace

Marks gridMarks(StepRunner& run, const GridGeometry& g, const GridLabels& labels, int heavyEvery)
{
    MarkRecorder recorder(g, heavyEvery);
    drawGridLines(run, recorder, g, labels);
    return recorder.take();
}

} // namespace gridorra
