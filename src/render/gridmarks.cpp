#include "gridmarks.h"

#include "core/failure.h"

namespace gridorra {

namespace {

// Takes the grid's lines down as marks, in the grid's own order: every
// horizontal line, then every vertical one.
class MarkRecorder : public Canvas {
public:
    explicit MarkRecorder(const GridGeometry& g) : m_g(g)
    {
        m_marks.pens = {g.thinWidth, g.wideWidth};
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
        m_marks.segment(m_width == m_g.wideWidth ? 1 : 0, x1, y1, x2, y2);
    }
    void endDoc() override {}

private:
    const GridGeometry& m_g;
    qint16 m_width = 1;
    Marks m_marks;
};

} // namespace

Marks gridMarks(StepRunner& run, const GridGeometry& g, const GridLabels& labels)
{
    MarkRecorder recorder(g);
    drawGridLines(run, recorder, g, labels);
    return recorder.take();
}

} // namespace gridorra
