#include "glyphstrip.h"

#include <QtTest>

namespace {

// Centre pixels of the parts a cell can light, in cell coordinates.
struct Probe
{
    const char *name;
    QPoint centre;
};

constexpr Probe probes[] = {
    {"a", {20, 5}},          {"b", {35, 20}},         {"c", {33, 47}},
    {"d", {18, 61}},         {"e", {4, 47}},          {"f", {5, 20}},
    {"g", {19, 33}},         {"one-upper", {21, 15}}, {"one-lower", {21, 55}},
    {"dot-upper", {21, 26}}, {"dot-lower", {21, 45}},
};

// Which of the probes above each cell lights.
const QStringList litParts[GlyphStrip::Columns] = {
    {"a", "b", "c", "d", "e", "f"},
    {"one-upper", "one-lower", "dot-upper", "dot-lower"}, // the stroke runs where the dots sit
    {"a", "b", "g", "e", "d"},
    {"a", "b", "g", "c", "d"},
    {"f", "g", "b", "c"},
    {"a", "f", "g", "c", "d"},
    {"a", "f", "g", "e", "c", "d"},
    {"a", "b", "c"},
    {"a", "b", "c", "d", "e", "f", "g"},
    {"a", "b", "c", "d", "f", "g"},
    {"dot-upper", "dot-lower"},
};

bool near(QRgb actual, const QColor &expected, int tolerance)
{
    return qAbs(qRed(actual) - expected.red()) <= tolerance
           && qAbs(qGreen(actual) - expected.green()) <= tolerance
           && qAbs(qBlue(actual) - expected.blue()) <= tolerance;
}

// The physical pixel under the centre of logical pixel `p`.
QPoint physical(QPoint p, qreal dpr)
{
    return QPoint(qFloor((p.x() + 0.5) * dpr), qFloor((p.y() + 0.5) * dpr));
}

bool isEdgeShade(QRgb c)
{
    return !near(c, GlyphStrip::Background, 8) && !near(c, GlyphStrip::Lit, 8);
}

int edgeShadeCount(const QImage &image)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            count += isEdgeShade(image.pixel(x, y));
    return count;
}

} // namespace

class TestGlyphStrip : public QObject
{
    Q_OBJECT

private slots:
    void size_data();
    void size();
    void lastColumnIsBackground();
    void partCentres_data();
    void partCentres();
    void jointsShowGaps_data();
    void jointsShowGaps();
    void edgesStaySharpAtHighDensity();
    void warningColoursPaintTheSameGlyphs_data();
    void warningColoursPaintTheSameGlyphs();
};

void TestGlyphStrip::size_data()
{
    QTest::addColumn<qreal>("dpr");
    QTest::addColumn<QSize>("physicalSize");
    QTest::newRow("standard") << 1.0 << QSize(452, 69);
    QTest::newRow("double") << 2.0 << QSize(904, 138);
    QTest::newRow("one and a half") << 1.5 << QSize(678, 104);
}

void TestGlyphStrip::size()
{
    QFETCH(qreal, dpr);
    QFETCH(QSize, physicalSize);
    const QImage strip = GlyphStrip::render(dpr);
    QCOMPARE(strip.size(), physicalSize);
    QCOMPARE(strip.devicePixelRatio(), dpr);
    QCOMPARE(strip.deviceIndependentSize().toSize(), QSize(452, 69));
    QVERIFY(!strip.hasAlphaChannel());
}

void TestGlyphStrip::lastColumnIsBackground()
{
    const QImage strip = GlyphStrip::render(1);
    for (int y = 0; y < strip.height(); ++y)
        QCOMPARE(strip.pixelColor(451, y), GlyphStrip::Background);
}

void TestGlyphStrip::partCentres_data()
{
    QTest::addColumn<qreal>("dpr");
    QTest::addColumn<QPoint>("where");
    QTest::addColumn<bool>("lit");
    for (const qreal dpr : {1.0, 2.0}) {
        for (int cell = 0; cell < GlyphStrip::Columns; ++cell) {
            for (const Probe &probe : probes) {
                const QString name =
                    QStringLiteral("dpr %1 cell %2 %3").arg(dpr).arg(cell).arg(probe.name);
                QTest::newRow(qPrintable(name))
                    << dpr << probe.centre + QPoint(cell * GlyphStrip::CellWidth, 0)
                    << litParts[cell].contains(QLatin1String(probe.name));
            }
        }
    }
}

void TestGlyphStrip::partCentres()
{
    QFETCH(qreal, dpr);
    QFETCH(QPoint, where);
    QFETCH(bool, lit);
    static QHash<qreal, QImage> strips;
    if (!strips.contains(dpr))
        strips.insert(dpr, GlyphStrip::render(dpr));
    const QRgb pixel = strips[dpr].pixel(physical(where, dpr));
    const QColor expected = lit ? GlyphStrip::Lit : GlyphStrip::Background;
    QVERIFY2(
        near(pixel, expected, 6),
        qPrintable(QStringLiteral("got %1, wanted %2").arg(QColor(pixel).name(), expected.name())));
}

void TestGlyphStrip::jointsShowGaps_data()
{
    // Pixels between the ends of two neighbouring segments of the 8.
    QTest::addColumn<QPoint>("gap");
    QTest::newRow("top bar / upper left") << QPoint(7, 8);
    QTest::newRow("top bar / upper right") << QPoint(33, 8);
    QTest::newRow("upper left / lower left") << QPoint(5, 34);
    QTest::newRow("upper right / lower right") << QPoint(34, 34);
    QTest::newRow("upper left / middle bar") << QPoint(8, 31);
    QTest::newRow("middle bar / lower right") << QPoint(32, 35);
    QTest::newRow("lower left / bottom bar") << QPoint(7, 59);
    QTest::newRow("lower right / bottom bar") << QPoint(30, 59);
}

void TestGlyphStrip::jointsShowGaps()
{
    QFETCH(QPoint, gap);
    const QImage strip = GlyphStrip::render(1);
    const QPoint cell8(8 * GlyphStrip::CellWidth, 0);
    const QRgb segment = strip.pixel(cell8 + QPoint(20, 5));
    const QRgb pixel = strip.pixel(cell8 + gap);
    // Nearer the background than the lit colour, not just a shade off it.
    QVERIFY2(qGreen(pixel) < (qGreen(segment) + GlyphStrip::Background.green()) / 2,
             qPrintable(QColor(pixel).name()));
    QVERIFY(qBlue(pixel) < qBlue(segment));
}

void TestGlyphStrip::edgesStaySharpAtHighDensity()
{
    // Painted shapes have antialiased edges whose shaded pixels grow with the outline (twice
    // as many at double density); an upscaled bitmap would blur four times as many or more.
    const int standard = edgeShadeCount(GlyphStrip::render(1));
    const int doubled = edgeShadeCount(GlyphStrip::render(2));
    QVERIFY2(standard > 0, "edges are not antialiased");
    QVERIFY2(doubled < 3 * standard,
             qPrintable(QStringLiteral("%1 vs %2").arg(doubled).arg(standard)));
}

void TestGlyphStrip::warningColoursPaintTheSameGlyphs_data()
{
    QTest::addColumn<qreal>("dpr");
    QTest::addColumn<QColor>("lit");
    QTest::newRow("amber") << 1.0 << GlyphStrip::Amber;
    QTest::newRow("red") << 1.0 << GlyphStrip::Red;
    QTest::newRow("red, double density") << 2.0 << GlyphStrip::Red;
}

// Every pixel is lit as far in the warning colour as in cyan: the same painter, the same
// anti-aliased edges, only the colour differs.
void TestGlyphStrip::warningColoursPaintTheSameGlyphs()
{
    QFETCH(qreal, dpr);
    QFETCH(QColor, lit);
    const QImage cyan = GlyphStrip::render(dpr);
    const QImage coloured = GlyphStrip::render(dpr, lit);
    QCOMPARE(coloured.size(), cyan.size());
    QCOMPARE(coloured.devicePixelRatio(), dpr);
    const QColor back = GlyphStrip::Background;
    for (int y = 0; y < cyan.height(); ++y) {
        for (int x = 0; x < cyan.width(); ++x) {
            const double cover = double(qGreen(cyan.pixel(x, y)) - back.green())
                                 / (GlyphStrip::Lit.green() - back.green());
            const double red = back.red() + cover * (lit.red() - back.red());
            QVERIFY2(qAbs(qRed(coloured.pixel(x, y)) - red) <= 2,
                     qPrintable(QStringLiteral("at %1,%2").arg(x).arg(y)));
        }
    }
}

QTEST_MAIN(TestGlyphStrip)
#include "tst_glyphstrip.moc"
