// The curve and history buffers, what the curve windows draw (rendered offscreen and read back
// as pixels, or as the history page's segments), the hover readout, and both windows opened from
// the main window's "实时曲线" and fed through the station.
#include "chart.h"
#include "common/files.h"
#include "common/stationrig.h"
#include "curves/curvebuffers.h"
#include "curves/plotgeometry.h"
#include "curvewindow.h"
#include "recording/timedbuffer.h"
#include "staticchart.h"
#include "ui/frmroughin.h"

#include <QtTest>
#include <QtWidgets>
#include <cmath>

using namespace kestrel;

namespace {

constexpr int Temp = 0, Hum = 1; // catalogue indexes
const QColor Yellow(255, 255, 0), Magenta(255, 0, 255), Red(255, 0, 0);

const auto timeOf = [](int second) -> QString {
    return QTime(0, 0).addSecs(second).toString(QStringLiteral("HH:mm:ss"));
};

// A reading of temperature and humidity only, taken `second` seconds after midnight.
void feed(CurveBuffers &b, int temperature, int humidity, int second = 0)
{
    std::array<int, 13> v{};
    v[Temp] = temperature, v[Hum] = humidity;
    b.addPoint(v, timeOf(second));
}

// The plot area of the real-time window at its first size.
QImage render(const CurveBuffers &b, plot::Ticked ticked)
{
    plot::Plot marks = plot::frame();
    plot::addRealTimeCurves(marks, b, ticked);
    QImage image(QSize(729, 409), QImage::Format_RGB32); // 10935 × 6135 twips
    paintPlot(image, marks);
    return image;
}

bool near(QColor a, QColor b)
{
    return std::abs(a.red() - b.red()) < 70 && std::abs(a.green() - b.green()) < 70 &&
           std::abs(a.blue() - b.blue()) < 70;
}

// Whether a pixel of the colour lies within `radius` pixels of the plot point (anywhere left of
// the legend when radius < 0).
bool hasColour(const QImage &image, QPointF at, int radius, QColor colour)
{
    const PlotScale scale{QSizeF(image.size())};
    const QPoint c = scale.toPixels(at).toPoint();
    const QRect area = radius < 0 ? QRect(QPoint(0, 0), scale.toPixels(QPointF(101, plot::Bottom)).toPoint())
                                  : QRect(c - QPoint(radius, radius), c + QPoint(radius, radius));
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (image.rect().contains(x, y) && near(image.pixelColor(x, y), colour))
                return true;
    return false;
}

// The history page's humidity segments, in order.
QList<QLineF> humiditySegments(const CurveBuffers &b, int page)
{
    plot::Ticked ticked{};
    ticked[Hum] = true;
    plot::Plot marks;
    plot::addHistoryPage(marks, b, page, ticked);
    QList<QLineF> lines;
    for (const plot::Mark &m : marks)
        if (m.kind == plot::Mark::Line && m.rgb == plot::quantityColour(Hum))
            lines << QLineF(m.a, m.b);
    return lines;
}

const auto humidityOfSample = [](int n) -> int { return n % 1000 + 1; };

} // namespace

class TstCurves : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // The record entry holds values by value box (PM10 in box 12); the curve by catalogue index.
    void recordEntryBecomesPoint_data()
    {
        QTest::addColumn<int>("box");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("quantity");
        QTest::addColumn<int>("value");
        QTest::newRow("temperature") << 0 << "253" << Temp << 253;
        QTest::newRow("PM10 from the last box") << 12 << "77" << 5 << 77;
        QTest::newRow("half to even") << 1 << "12.5" << Hum << 12;
        QTest::newRow("blank") << 10 << "  " << 11 << 0;
        QTest::newRow("not a number") << 2 << "abc" << 2 << 0;
        QTest::newRow("too large is held at the top") << 2 << "65486" << 2 << 32767;
        QTest::newRow("too small is held at the bottom") << 2 << "-40000" << 2 << -32768;
    }

    void recordEntryBecomesPoint()
    {
        QFETCH(int, box);
        QFETCH(QString, text);
        QFETCH(int, quantity);
        QFETCH(int, value);
        CurveBuffers b;
        QSignalSpy added(&b, &CurveBuffers::pointAdded);
        RecordEntry e;
        e.time = QStringLiteral("14:31:37");
        e.values[size_t(box)] = text;
        b.saveDrawData(e);
        QCOMPARE(int(b.drawData(quantity, 49)), value);
        QCOMPARE(int(b.histData(0, quantity)), value);
        QCOMPARE(b.drawTime(49), QStringLiteral("14:31:37"));
        QCOMPARE(added.count(), 1);
    }

    void fiftyFirstReadingPushesOldestOut()
    {
        CurveBuffers b;
        for (int r = 1; r <= 51; ++r)
            feed(b, r, 0, r);
        QCOMPARE(int(b.drawData(Temp, 0)), 2);
        QCOMPARE(b.drawTime(0), timeOf(2));
        QCOMPARE(int(b.drawData(Temp, 49)), 51);
        QCOMPARE(b.histCount(), 51);
    }

    void historyWrapsAfterLastSample()
    {
        CurveBuffers b;
        for (int n = 0; n < CurveBuffers::Samples; ++n)
            feed(b, 0, humidityOfSample(n), n % 86400);
        QCOMPARE(b.histCount(), 0);
        feed(b, 0, 1999, 5);
        QCOMPARE(int(b.histData(0, Hum)), 1999);
        QCOMPARE(b.histTime(0), timeOf(5));
        QCOMPARE(int(b.histData(1, Hum)), humidityOfSample(1));
        QCOMPARE(b.histCount(), 1);
    }

    void drawing_data()
    {
        QTest::addColumn<QList<int>>("humidity"); // one reading per value, temperature 0
        QTest::addColumn<QPointF>("at");
        QTest::addColumn<int>("radius");
        QTest::addColumn<QColor>("colour");
        QTest::addColumn<bool>("drawn");
        const QList<int> two{300, 700};
        QTest::newRow("grid line at 200 is yellow")
            << QList<int>{} << QPointF(51, 200) << 1 << Yellow << true;
        QTest::newRow("grid line at 250 is not") << QList<int>{} << QPointF(51, 250) << 1 << Yellow << false;
        QTest::newRow("segment between the two points") << two << QPointF(97, 500) << 0 << Magenta << true;
        QTest::newRow("older point carries a red circle") << two << QPointF(96, 300) << 2 << Red << true;
        QTest::newRow("newest point carries none") << two << QPointF(98, 700) << 2 << Red << false;
        QTest::newRow("first reading: no curve") << QList<int>{500} << QPointF() << -1 << Magenta << false;
        QTest::newRow("first reading: no circle") << QList<int>{500} << QPointF() << -1 << Red << false;
        QTest::newRow("unticked temperature is not drawn") << two << QPointF(97, 0) << 0 << Yellow << false;
    }

    void drawing()
    {
        QFETCH(QList<int>, humidity);
        QFETCH(QPointF, at);
        QFETCH(int, radius);
        QFETCH(QColor, colour);
        QFETCH(bool, drawn);
        CurveBuffers b;
        for (int h : humidity)
            feed(b, 0, h);
        plot::Ticked ticked{};
        ticked[Hum] = true;
        QCOMPARE(hasColour(render(b, ticked), at, radius, colour), drawn);
    }

    void historyPage_data()
    {
        QTest::addColumn<int>("samples");
        QTest::addColumn<int>("page");
        QTest::addColumn<int>("segments");
        QTest::addColumn<int>("j"); // the segment looked at
        QTest::addColumn<QLineF>("segment");
        const auto h = [](int n) { return double(humidityOfSample(n)); };
        QTest::newRow("one sample: frame only") << 1 << 0 << 0 << -1 << QLineF();
        QTest::newRow("page 1 starts at sample 50") << 120 << 1 << 51 << 0 << QLineF(0, h(50), 2, h(51));
        QTest::newRow("page 2 drops to 0 after sample 119")
            << 120 << 2 << 51 << 19 << QLineF(38, h(119), 40, 0);
        QTest::newRow("page 2 runs on the axis after") << 120 << 2 << 51 << 20 << QLineF(40, 0, 42, 0);
        QTest::newRow("page 1726 reaches into the margin")
            << CurveBuffers::Samples << 1726 << 51 << 50 << QLineF(100, h(86350), 102, h(86351));
        QTest::newRow("page 1727 stops at sample 86400")
            << CurveBuffers::Samples << 1727 << 50 << 49 << QLineF(98, h(86399), 100, h(86400));
    }

    void historyPage()
    {
        QFETCH(int, samples);
        QFETCH(int, page);
        QFETCH(int, segments);
        QFETCH(int, j);
        QFETCH(QLineF, segment);
        CurveBuffers b;
        for (int n = 0; n < samples; ++n)
            feed(b, 0, humidityOfSample(n), n % 86400);
        const QList<QLineF> lines = humiditySegments(b, page);
        QCOMPARE(lines.size(), segments);
        if (j >= 0)
            QCOMPARE(lines.at(j), segment);
    }

    void readout_data()
    {
        QTest::addColumn<bool>("history");
        QTest::addColumn<QPointF>("pointer");
        QTest::addColumn<QString>("names"); // empty: hidden
        QTest::addColumn<QString>("values");
        QTest::addColumn<QString>("time");
        // Readings 0..50 hold (250, 270) but reading 2, which holds (-5, 10); the curve's point 1 is
        // reading 2, the history's sample n reading n.
        const auto row = [](const char *name, bool history, QPointF pointer, const char *names = "",
                            const char *values = "", const QString &time = {}) {
            QTest::newRow(name) << history << pointer << QString::fromUtf8(names) << QString(values) << time;
        };
        row("two within 30 both appear", false, {98, 260}, "温度湿度", "250 270", timeOf(50));
        row("negative keeps its sign", false, {3, 0}, "温度湿度", "-5 10", timeOf(2));
        row("only the near one", false, {98, 240}, "温度", "250", timeOf(50));
        row("x = 99.6 hides", false, {99.6, 260});
        row("x = 0 hides", false, {0, 260});
        row("below -140 hides", false, {3, -141});
        row("none near hides", false, {50, 600});
        row("history: x = 99.6 is sample 50", true, {99.6, 260}, "温度湿度", "250 270", timeOf(50));
        row("history: x = 102 hides", true, {102, 260});
    }

    void readout()
    {
        QFETCH(bool, history);
        QFETCH(QPointF, pointer);
        QFETCH(QString, names);
        QFETCH(QString, values);
        QFETCH(QString, time);
        CurveBuffers b;
        for (int r = 0; r <= 50; ++r)
            r == 2 ? feed(b, -5, 10, r) : feed(b, 250, 270, r);
        plot::Ticked ticked{};
        ticked[Temp] = ticked[Hum] = true;
        const auto r =
            history ? plot::historyReadout(b, ticked, 0, pointer) : plot::realTimeReadout(b, ticked, pointer);
        QCOMPARE(r.has_value(), !names.isEmpty());
        if (!r)
            return;
        QCOMPARE(r->names, names);
        QCOMPARE(r->values, values);
        QCOMPARE(r->time, time);
    }

    // "实时曲线" on the main window, readings fed through the station, "历史曲线" and the scroll bar.
    void windowsFromMainWindow()
    {
        test::StationRig r({}, QtTimerFactory::instance(), SystemClock::instance(), {},
                           {{3, "/nonexistent/tty"}});
        Station &station = *r.station;
        frmroughin window(station);
        window.show();
        QTest::mouseClick(window.findChild<QPushButton *>(QStringLiteral("cmdShow")), Qt::LeftButton);
        auto *c = window.findChild<chart *>(QStringLiteral("chart"));
        QVERIFY(c && QTest::qWaitForWindowExposed(c));

        // Plausible readings of a temperature, humidity and CO2 device, one every 5 seconds.
        for (int r = 0; r < 300; ++r) {
            RecordEntry e;
            e.time = timeOf(14 * 3600 + 5 * r);
            e.values[0] = QString::number(int(253 + 40 * std::sin(r / 9.0)));
            e.values[1] = QString::number(int(456 + 90 * std::cos(r / 13.0) + (r * 7) % 11));
            e.values[2] = QString::number(int(820 + 300 * std::sin(r / 17.0) + (r * 13) % 23));
            station.curves.saveDrawData(e);
        }
        QVERIFY(hasColour(c->pic()->picture(), QPointF(), -1, Magenta));

        // The pointer on point 30's humidity: the readout names it, its value and its time.
        const QPointF onPoint(60, station.curves.drawData(Hum, 30));
        QTest::mouseMove(c->pic(), PlotScale{QSizeF(c->pic()->size())}.toPixels(onPoint).toPoint());
        auto *label = c->findChild<QLabel *>(QStringLiteral("labDisplay"));
        QVERIFY(label->isVisible() && label->text().endsWith(station.curves.drawTime(30)));

        QTest::mouseClick(c->findChild<QPushButton *>(QStringLiteral("cmdSC")), Qt::LeftButton);
        auto *h = c->findChild<StaticChart *>(QStringLiteral("StaticChart"));
        QVERIFY(h && h->isVisible());
        auto *scroll = h->findChild<QScrollBar *>(QStringLiteral("HScroll1"));
        // Page 5 holds samples 250..299 and the unwritten sample 300: humidity ends on the axis.
        const auto pageShowsHumidityAt = [&](QPointF p) {
            return hasColour(h->pic()->picture(), p, 1, Magenta);
        };
        QVERIFY(!pageShowsHumidityAt(QPointF(101, 0)));
        const QPoint rightArrow(scroll->width() - 4, scroll->height() / 2);
        for (int i = 0; i < 5; ++i)
            QTest::mouseClick(scroll, Qt::LeftButton, {}, rightArrow);
        QCOMPARE(scroll->value(), 5);
        QVERIFY(pageShowsHumidityAt(QPointF(101, 0)));

        // Maximised, the plots grow with their windows; in the normal state they have their first sizes.
        const QSize first = c->pic()->size();
        c->showMaximized();
        QTRY_VERIFY(c->pic()->width() > first.width());
        c->showNormal();
        QTRY_COMPARE(c->pic()->size(), first);

        QVERIFY(test::screenshot(c, QStringLiteral("curve-window.png")));
        QVERIFY(test::screenshot(h, QStringLiteral("history-window.png")));
    }
};

QTEST_MAIN(TstCurves)
#include "tst_curves.moc"
