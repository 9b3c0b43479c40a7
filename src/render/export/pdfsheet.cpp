#include "pdfsheet.h"

#include <QHash>

#include <cmath>

namespace gridorra {

namespace {

// A number as PDF has it, to a thousandth of a unit, and a space: written
// by hand, as a dense sheet has hundreds of thousands of them.
void put(QByteArray& out, double v)
{
    long long milli = std::llround(v * 1000);
    char buf[32];
    int n = 0;
    const bool negative = milli < 0;
    if (negative)
        milli = -milli;
    long long whole = milli / 1000;
    int fraction = int(milli % 1000);
    char digits[24];
    int d = 0;
    do {
        digits[d++] = char('0' + whole % 10);
        whole /= 10;
    } while (whole);
    if (negative)
        buf[n++] = '-';
    while (d)
        buf[n++] = digits[--d];
    if (fraction) {
        buf[n++] = '.';
        for (int div = 100; div && fraction; div /= 10) {
            buf[n++] = char('0' + fraction / div);
            fraction %= div;
        }
    }
    buf[n++] = ' ';
    out.append(buf, n);
}

void rect(QByteArray& out, const QRectF& r)
{
    put(out, r.x());
    put(out, r.y());
    put(out, r.width());
    put(out, r.height());
    out += "re\n";
}

// A ring as eight Bezier curves of 45 degrees, which stay within a
// millionth of the radius of the ellipse.
void ring(QByteArray& out, const PlacedRing& r)
{
    constexpr double k = 0.26521648983954; // 4/3 tan(45/4 degrees)
    const auto at = [&](double a) { return QPointF(std::cos(a), std::sin(a)); };
    const auto scaled = [&](QPointF p) {
        return QPointF(r.centre.x() + p.x() * r.rx, r.centre.y() + p.y() * r.ry);
    };
    QPointF p = at(0);
    const QPointF start = scaled(p);
    put(out, start.x());
    put(out, start.y());
    out += "m\n";
    for (int i = 1; i <= 8; ++i) {
        const QPointF q = at(i * M_PI / 4);
        const QPointF c1 = scaled(p + k * QPointF(-p.y(), p.x()));
        const QPointF c2 = scaled(q - k * QPointF(-q.y(), q.x()));
        const QPointF e = scaled(q);
        for (const QPointF& c : {c1, c2, e}) {
            put(out, c.x());
            put(out, c.y());
        }
        out += "c\n";
        p = q;
    }
}

// The pen of a slanted line or a ring: half a dot narrower than its width,
// but a 1-dot line. Ghostscript (as CUPS's filters run it) paints every
// dot such a stroke touches, up to a dot more on each side; poppler paints
// the dots whose centres it covers. Half a dot narrower, both lie within a
// dot of its edges. A 1-dot stroke Ghostscript draws as a thin line, one
// dot a row.
double slantedPen(int width)
{
    return width <= 1 ? 1 : width - 0.5;
}

// A 1-dot line across or down the page stays a 1-dot stroke, which stroke
// adjustment keeps at one dot; its ends come in by a quarter of a dot, as
// Ghostscript paints the dot beyond an end that lies on a dot boundary
// (the line would reach a dot past the printable area).
QLineF withinItsDots(const QLineF& l)
{
    if (!isAxisAligned(l) || l.length() < 1)
        return l;
    const QPointF in = (l.p2() - l.p1()) / l.length() * 0.25;
    return {l.p1() + in, l.p2() - in};
}

// Fill and stroke in `rgb` (0xRRGGBB).
void colour(QByteArray& out, quint32 rgb)
{
    for (const char* op : {"rg\n", "RG\n"}) {
        for (const int shift : {16, 8, 0})
            put(out, ((rgb >> shift) & 0xFF) / 255.0);
        out += op;
    }
}

QByteArray utf16Hex(const QString& text)
{
    QByteArray out = "<FEFF";
    for (const QChar c : text)
        out += QByteArray::number(c.unicode() | 0x10000, 16).mid(1).toUpper();
    return out + '>';
}

} // namespace

void PdfSheet::draw(const PlacedMarks& marks, const QPointF& shift, bool back,
                    std::optional<quint32> rgb)
{
    QByteArray& out = back ? m_back : m_content;
    if (rgb)
        colour(out, *rgb);
    for (auto it = marks.lines.cbegin(); it != marks.lines.cend(); ++it) {
        const int w = it.key();
        QByteArray strokes;
        bool filled = false;
        for (const QLineF& placed : it.value()) {
            const QLineF l = placed.translated(shift);
            if (w >= 2 && isAxisAligned(l)) {
                rect(out, coveredBy(l, w));
                filled = true;
            } else {
                const QLineF l = withinItsDots(placed.translated(shift));
                put(strokes, l.x1());
                put(strokes, l.y1());
                strokes += "m ";
                put(strokes, l.x2());
                put(strokes, l.y2());
                strokes += "l\n";
            }
        }
        if (filled)
            out += "f\n";
        if (!strokes.isEmpty()) {
            put(out, slantedPen(w));
            out += "w\n" + strokes + "S\n";
        }
    }
    for (auto it = marks.rings.cbegin(); it != marks.rings.cend(); ++it) {
        put(out, slantedPen(it.key()));
        out += "w\n";
        for (PlacedRing r : it.value()) {
            r.centre += shift;
            ring(out, r);
        }
        out += "S\n";
    }
    // Dots by row: a row's dots at their places across, relative to the
    // row's height; the same row elsewhere is the same form, written once.
    using Row = QList<QPair<int, double>>; // diameters and places across
    QMap<double, Row> rows;
    for (auto it = marks.dots.cbegin(); it != marks.dots.cend(); ++it)
        for (const QPointF& placed : it.value())
            rows[placed.y() + shift.y()].append({it.key(), placed.x() + shift.x()});
    QHash<Row, int> forms;
    for (auto it = rows.cbegin(); it != rows.cend(); ++it) {
        int& form = forms[it.value()];
        if (form == 0) {
            QByteArray content;
            const QSizeF u = marks.unit; // a dot's rows in device units
            for (const auto& [diameter, x] : it.value())
                for (const QRectF& r : discRows(diameter))
                    rect(content, QRectF(x + r.x() * u.width(), r.y() * u.height(),
                                         r.width() * u.width(), r.height() * u.height()));
            m_rows.append(content + "f\n");
            form = int(m_rows.size());
        }
        out += "q 1 0 0 1 0 ";
        put(out, it.key());
        out += "cm /R" + QByteArray::number(form - 1) + " Do Q\n";
    }
}

namespace {

// A stream object's body, its data compressed.
QByteArray stream(const QByteArray& dictionary, const QByteArray& data)
{
    // qCompress gives a zlib stream behind four bytes of length. A stream
    // of many thousand slanted strokes (a map of small hexagons) is packed
    // faster: it costs a third of the time at a fifth more bytes.
    const QByteArray packed = qCompress(data, data.size() > (1 << 20) ? 1 : 6).mid(4);
    return "<< " + dictionary + " /Filter /FlateDecode /Length " +
           QByteArray::number(packed.size()) + " >>\nstream\n" + packed + "\nendstream";
}

// The file of these objects (object n + 1 at n), `info` its information.
QByteArray file(const QList<QByteArray>& objects, int info)
{
    // The objects that are no streams (the pages above all: a notebook
    // has many, alike) go compressed in one object stream, and the
    // cross-reference table is a stream too.
    QByteArray out = "%PDF-1.5\n%\xE2\xE3\xCF\xD3\n";
    QByteArray index, packed;
    QList<int> packedObjects;
    QList<qsizetype> offsets(objects.size() + 2, 0);
    QList<int> inStream(objects.size() + 2, -1); // place in the object stream
    for (qsizetype i = 0; i < objects.size(); ++i) {
        if (objects[i].startsWith("<< ") && objects[i].endsWith("endstream")) {
            offsets[i] = out.size();
            out += QByteArray::number(i + 1) + " 0 obj\n" + objects[i] + "\nendobj\n";
            continue;
        }
        index += QByteArray::number(i + 1) + ' ' + QByteArray::number(packed.size()) + ' ';
        packed += objects[i] + '\n';
        inStream[i] = int(packedObjects.size());
        packedObjects.append(int(i));
    }
    const int objectStream = int(objects.size()) + 1;
    offsets[objectStream - 1] = out.size();
    out += QByteArray::number(objectStream) + " 0 obj\n" +
           stream("/Type /ObjStm /N " + QByteArray::number(packedObjects.size()) + " /First " +
                      QByteArray::number(index.size()),
                  index + packed) +
           "\nendobj\n";
    const int xrefObject = objectStream + 1;
    offsets[xrefObject - 1] = out.size();
    // Entries of 1 + 4 + 2 bytes: free, at an offset, or in the object stream.
    QByteArray table;
    const auto entry = [&](int type, quint32 field, quint16 second) {
        const char bytes[7] = {char(type),  char(field >> 24), char(field >> 16),  char(field >> 8),
                               char(field), char(second >> 8), char(second & 0xFF)};
        table.append(bytes, 7);
    };
    entry(0, 0, 0xFFFF);
    for (qsizetype i = 0; i < offsets.size(); ++i) {
        if (inStream[i] >= 0)
            entry(2, quint32(objectStream), quint16(inStream[i]));
        else
            entry(1, quint32(offsets[i]), 0);
    }
    // Each entry as its difference from the one before (PNG's Up
    // predictor): a notebook's pages, one after another, then cost
    // almost nothing.
    QByteArray predicted;
    for (qsizetype at = 0; at < table.size(); at += 7) {
        predicted += '\x02';
        for (qsizetype i = at; i < at + 7; ++i)
            predicted += char(quint8(table[i]) - (at ? quint8(table[i - 7]) : 0));
    }
    out += QByteArray::number(xrefObject) + " 0 obj\n" +
           stream("/Type /XRef /W [1 4 2] /Size " + QByteArray::number(xrefObject + 1) +
                      " /Root 1 0 R /Info " + QByteArray::number(info) +
                      " 0 R /DecodeParms << /Predictor 12 /Columns 7 >>",
                  predicted) +
           "\nendobj\nstartxref\n" + QByteArray::number(offsets[xrefObject - 1]) + "\n%%EOF\n";
    return out;
}

} // namespace

QByteArray PdfSheet::pdf(const QString& title, int pages) const
{
    QList<QByteArray> objects; // object n + 1 at n
    const auto add = [&](const QByteArray& body) {
        objects.append(body);
        return int(objects.size());
    };
    QByteArray content = "/GS0 gs\n";
    put(content, 72.0 / m_dpi);
    content += "0 0 ";
    put(content, -72.0 / m_dpi);
    content += "0 ";
    put(content, m_points.height());
    content += "cm\n";
    colour(content, m_rgb);
    add("<< /Type /Catalog /Pages 2 0 R >>");
    add({}); // the pages, once their numbers are known
    const int contents = add(stream({}, content + m_content));
    const int backs = m_back.isEmpty() ? contents : add(stream({}, content + m_back));
    const int state = add("<< /Type /ExtGState /SA true >>");
    QByteArray xobjects;
    const double dotsAcross = m_points.width() * m_dpi / 72.0;
    for (qsizetype i = 0; i < m_rows.size(); ++i) {
        const int form = add(stream("/Type /XObject /Subtype /Form /BBox [-100 -100 " +
                                        QByteArray::number(std::ceil(dotsAcross) + 100) + " 100]",
                                    m_rows[i]));
        xobjects += "/R" + QByteArray::number(i) + ' ' + QByteArray::number(form) + " 0 R ";
    }
    QByteArray kids;
    for (int i = 0; i < pages; ++i)
        kids += QByteArray::number(add("<< /Type /Page /Parent 2 0 R /Contents " +
                                       QByteArray::number(i % 2 ? backs : contents) + " 0 R >>")) +
                " 0 R ";
    objects[1] = "<< /Type /Pages /Count " + QByteArray::number(pages) + " /Kids [" + kids +
                 "] /MediaBox [0 0 " + QByteArray::number(m_points.width()) + ' ' +
                 QByteArray::number(m_points.height()) + "] /Resources << /ExtGState << /GS0 " +
                 QByteArray::number(state) + " 0 R >> /XObject << " + xobjects + ">> >> >>";
    const int info = add("<< /Title " + utf16Hex(title) + " /Producer " + utf16Hex(title) + " >>");

    return file(objects, info);
}

} // namespace gridorra
