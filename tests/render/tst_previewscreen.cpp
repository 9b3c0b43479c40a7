// The preview on screens that tell their size, as a user's monitor does:
// Xvfb screens of 96, 141, 163 and 282 dpi, at scale factors of 1, 1.25,
// 1.5 and 2. Lines a tenth of an inch apart are that far apart on the
// screen (in its device pixels) where the screen tells its size, and at
// the nominal 96 dpi times the scale factor where it does not; every line
// of one pen is one width.
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryFile>
#include <QtTest>

#include <cmath>
#include <tuple>

namespace {

// An X server whose screen has the physical size of `dpi` (its RandR
// output tells none, so RandR is left out and the screen's size is what a
// client sees, as on a monitor that tells its own). With `randr` it is
// left in: a screen that tells no size.
class Xvfb {
public:
    Xvfb(int dpi, bool randr)
    {
        QStringList args{"-displayfd",         "1",       "-nolisten", "tcp",         "-dpi",
                         QString::number(dpi), "-screen", "0",         "1920x1080x24"};
        if (!randr)
            args.prepend("RANDR"), args.prepend("-extension");
        m_server.start("Xvfb", args);
        if (m_server.waitForReadyRead(10000))
            m_display = ":" + QString::fromLatin1(m_server.readLine()).trimmed();
    }
    ~Xvfb()
    {
        m_server.terminate();
        m_server.waitForFinished(5000);
    }
    QString display() const { return m_display; }

private:
    QProcess m_server;
    QString m_display;
};

struct Runs {
    QList<int> starts;
    QList<int> widths;
};

Runs parse(const QString& line)
{
    Runs r;
    for (const QString& pair : line.split(' ', Qt::SkipEmptyParts)) {
        const int a = pair.section(',', 0, 0).toInt(), b = pair.section(',', 1, 1).toInt();
        r.starts << a;
        r.widths << b - a + 1;
    }
    return r;
}

} // namespace

class TestPreviewScreen : public QObject {
    Q_OBJECT
private slots:
    void aTenthOfAnInchOnTheScreen_data()
    {
        QTest::addColumn<int>("dpi");
        QTest::addColumn<bool>("randr");
        QTest::addColumn<double>("scale");
        for (const int dpi : {96, 141, 144, 163, 282})
            for (const double scale : {1.0, 1.25, 1.5, 2.0})
                QTest::addRow("%d dpi, scale %g", dpi, scale) << dpi << false << scale;
        for (const double scale : {1.0, 1.25, 2.0})
            QTest::addRow("a screen that tells no size, scale %g", scale) << 163 << true << scale;
    }
    void aTenthOfAnInchOnTheScreen()
    {
        QFETCH(int, dpi);
        QFETCH(bool, randr);
        QFETCH(double, scale);
        const Xvfb x(dpi, randr);
        QVERIFY2(!x.display().isEmpty(), "no X server");
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("DISPLAY", x.display());
        env.insert("QT_QPA_PLATFORM", "xcb");
        env.insert("QT_SCALE_FACTOR", QString::number(scale));
        env.remove("WAYLAND_DISPLAY");
        p.setProcessEnvironment(env);
        p.start(PREVIEW_PITCH, QStringList());
        QVERIFY(p.waitForFinished(30000) && p.exitCode() == 0);
        QMap<QString, QString> said;
        for (const QString& line : QString::fromUtf8(p.readAllStandardOutput()).split('\n'))
            said.insert(line.section(' ', 0, 0), line.section(' ', 1));
        // 96 dpi is what Qt gives a screen without a size, so it reads as none.
        const bool trueSize = !randr && dpi != 96;
        QCOMPARE(said["note"], trueSize ? QString("true size at %1 dpi").arg(dpi)
                                        : QString("at the screen's nominal 96 dpi"));
        const double perInch = trueSize ? dpi : 96 * scale; // device pixels
        const int thin = std::max(1, int(std::lround(scale))), wide = int(std::lround(4 * scale));
        const QStringList size = said["size"].split(' ');
        for (const auto& [name, width, extent] :
             {std::tuple{"row", thin, size.value(0).toInt()},
              std::tuple{"column", wide, size.value(1).toInt()}}) {
            const Runs runs = parse(said[name]);
            QVERIFY2(runs.starts.size() >= 2, qPrintable(said[name]));
            // Every line of the pen as wide, but those the edges cut.
            for (qsizetype i = 0; i < runs.widths.size(); ++i)
                if (runs.starts[i] > 0 && runs.starts[i] + runs.widths[i] < extent)
                    QVERIFY2(runs.widths[i] == width,
                             qPrintable(QString("%1: %2").arg(name, said[name])));
        }
        // Every line, thin and wide, within a device pixel of its place at
        // the screen's own size (which the X server keeps in whole
        // millimetres: 163 dpi is 163.1), the lines the edges cut aside.
        const double density = trueSize ? said["density"].toDouble() : perInch;
        QVERIFY(std::abs(density - perInch) < 0.01 * perInch);
        for (const auto& [name, extent] : {std::pair{"row", size.value(0).toInt()},
                                           std::pair{"column", size.value(1).toInt()}}) {
            const Runs runs = parse(said[name]);
            for (qsizetype i = 0; i < runs.starts.size(); ++i) {
                if (runs.starts[i] == 0 || runs.starts[i] + runs.widths[i] >= extent)
                    continue;
                const double centre = runs.starts[i] + runs.widths[i] / 2.0;
                const double place = std::round(centre / (density / 10)) * density / 10;
                QVERIFY2(std::abs(centre - place) <= 1,
                         qPrintable(QString("%1: a line at %2, its place %3: %4")
                                        .arg(name)
                                        .arg(centre)
                                        .arg(place)
                                        .arg(said[name])));
            }
        }
        // The thin lines a tenth of an inch apart, each within a pixel of
        // the screen's own (scale factor) pixels.
        const Runs row = parse(said["row"]);
        QVERIFY2(row.starts.size() >= 4, qPrintable(said["row"]));
        const double pitch = (row.starts.last() - row.starts[1]) / double(row.starts.size() - 2);
        const double tolerance = scale / (row.starts.size() - 2) + 0.003 * perInch / 10;
        QVERIFY2(std::abs(pitch - perInch / 10) <= tolerance,
                 qPrintable(QString("pitch %1, %2 expected").arg(pitch).arg(perInch / 10)));
    }
};

QTEST_GUILESS_MAIN(TestPreviewScreen)
#include "tst_previewscreen.moc"
