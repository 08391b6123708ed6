// The bar on a high-density screen: with QT_SCALE_FACTOR=2 it is twice its size in device
// pixels, flush in the top-right corner, and its LED digits are painted at the full resolution
// rather than blown up from the standard picture. The program runs once at scale 1 and once at
// scale 2, and the digit pictures of the two runs are compared.
//
// Crispness is judged by the anti-aliased edge pixels (neither glyph background nor lit).
// Painted at twice the resolution, an edge stays about one device pixel wide, and the edges that
// fall between pixels at scale 1 (the half-pixel ones) fall on pixel boundaries at scale 2, so a
// glyph has about as many edge pixels as its standard picture: 1.0 to 1.1 times. A standard
// picture blown up to twice its size has four times as many with nearest-neighbour scaling
// (every pixel becomes a 2x2 block), and eight to twelve times with smooth scaling, which also
// softens the edges that were sharp.

#include "bardriver.h"
#include "glyphstrip.h"
#include "ledreader.h"
#include "mmss.h"

#include <QGuiApplication>
#include <QTest>

#include <algorithm>
#include <cstdlib>

using namespace Qt::StringLiterals;
using namespace BarLayout;

namespace {

constexpr int Scale = 2;

// The most edge pixels the scaled picture may have for each one of the standard picture;
// halfway between a native paint (about 1.1) and a nearest-neighbour blow-up (4).
constexpr double MaxEdgeRatio = 2.0;
// A native paint is anti-aliased too; an aliased one would have next to no edge pixels.
constexpr double MinEdgeRatio = 0.5;

// A glyph pixel counts as background or lit within this much of either colour; anything between
// is an anti-aliased edge.
constexpr double EdgeMargin = 0.1;

// How far a pixel is lit, from 0 (glyph background) to 1 (lit), read off the green channel.
double coverage(QRgb pixel)
{
    const int back = GlyphStrip::Background.green();
    const int lit = GlyphStrip::Lit.green();
    return std::clamp(double(qGreen(pixel) - back) / (lit - back), 0.0, 1.0);
}

// The anti-aliased edge pixels: neither background nor lit.
int edgePixels(const QImage &picture)
{
    int edge = 0;
    for (int y = 0; y < picture.height(); ++y) {
        for (int x = 0; x < picture.width(); ++x) {
            const double c = coverage(picture.pixel(x, y));
            edge += c > EdgeMargin && c < 1 - EdgeMargin;
        }
    }
    return edge;
}

double meanCoverage(const QImage &picture)
{
    double sum = 0;
    for (int y = 0; y < picture.height(); ++y) {
        for (int x = 0; x < picture.width(); ++x)
            sum += coverage(picture.pixel(x, y));
    }
    return sum / (picture.width() * picture.height());
}

// How far the scaled picture, each block of scale x scale pixels averaged into one, differs
// from the standard one: the mean coverage difference per pixel. Both paint the same shapes,
// so a scaled picture in its right place shrinks back to the standard one (0.0001); one a device
// pixel off differs by 0.004 (the colon) to 0.04.
double shrunkDifference(const QImage &standard, const QImage &scaled, int scale)
{
    double sum = 0;
    for (int y = 0; y < standard.height(); ++y) {
        for (int x = 0; x < standard.width(); ++x) {
            double block = 0;
            for (int j = 0; j < scale; ++j) {
                for (int i = 0; i < scale; ++i)
                    block += coverage(scaled.pixel(x * scale + i, y * scale + j));
            }
            sum += std::abs(block / (scale * scale) - coverage(standard.pixel(x, y)));
        }
    }
    return sum / (standard.width() * standard.height());
}

constexpr double MaxShrunkDifference = 0.002;

// Picture `index` of a bar whose client area starts at `client`, drawn at `scale`.
QImage digitPicture(const QImage &screen, const QPoint &client, int index, int scale)
{
    const QRect logical(QPoint(DigitLefts[index], DigitTop), DigitSize);
    return screen.copy(QRect(client + logical.topLeft() * scale, logical.size() * scale))
        .convertToFormat(QImage::Format_RGB32);
}

QProcessEnvironment environmentAtScale(int scale)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    // Whatever scaling the surrounding session asks for must not leak into either run.
    for (const char *name :
         {"QT_SCALE_FACTOR", "QT_SCREEN_SCALE_FACTORS", "QT_AUTO_SCREEN_SCALE_FACTOR",
          "QT_ENABLE_HIGHDPI_SCALING", "QT_SCALE_FACTOR_ROUNDING_POLICY", "QT_FONT_DPI"})
        env.remove(QString::fromLatin1(name));
    if (scale != 1)
        env.insert(u"QT_SCALE_FACTOR"_s, QString::number(scale));
    return env;
}

const char *const PictureNames[] = {"minutes, tens", "minutes, units", "colon", "seconds, tens",
                                    "seconds, units"};

} // namespace

class TestBarHiDpi : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void barTwiceAsLargeInCorner();
    void digitsInPlace_data();
    void digitsInPlace();
    void digitsPaintedAtFullResolution_data();
    void digitsPaintedAtFullResolution();

private:
    static void addPictureRows();

    DesktopSession m_session;
    BarDriver m_driver{m_session};
    QImage m_standard; // the bar's client area at scale 1
    QImage m_scaled;   // the screen with the bar at scale 2
    QRect m_scaledBar;
};

void TestBarHiDpi::initTestCase()
{
    // The grabs are read in device pixels, so this process itself must not be scaled.
    QCOMPARE(qApp->devicePixelRatio(), 1.0);

    QVERIFY2(m_driver.start(environmentAtScale(1)), "no bar at scale 1");
    const QPoint standardClient = m_driver.client();
    // Mapped is not yet painted: wait until the digits read as the standard glyphs.
    QTRY_COMPARE(m_driver.read(), mmss(0));
    m_standard = m_session.grabScreen().copy(QRect(standardClient, QSize(Width, CollapsedHeight)));
    m_session.stopProgram();
    QTRY_VERIFY(m_driver.windows().isEmpty());

    QVERIFY(m_session.startProgram({}, environmentAtScale(Scale)));
    QVERIFY2(m_driver.findBar(10000, Scale), "no bar twice the standard width at scale 2");
    m_scaledBar = m_driver.geometry();
    // Mapped is not yet painted: wait until every picture is as much lit as its standard twin,
    // which holds however it was scaled.
    auto painted = [&] {
        const QImage screen = m_session.grabScreen();
        for (int i = 0; i < 5; ++i) {
            const double standardLit = meanCoverage(digitPicture(m_standard, {}, i, 1));
            const double scaledLit =
                meanCoverage(digitPicture(screen, m_scaledBar.topLeft(), i, Scale));
            if (standardLit == 0 || std::abs(scaledLit - standardLit) > 0.005)
                return false;
        }
        return true;
    };
    if (!QTest::qWaitFor(painted, 5000))
        qWarning("the scaled digits never came up as lit as the standard ones");
    m_scaled = m_session.grabScreen();
}

void TestBarHiDpi::barTwiceAsLargeInCorner()
{
    const QRect expected(m_session.screenSize().width() - Scale * Width, 0, Scale * Width,
                         Scale * CollapsedHeight);
    BAR_VERIFY(m_scaledBar == expected,
               u"the bar is at %1,%2 %3x%4, expected %5,%6 %7x%8"_s.arg(m_scaledBar.x())
                   .arg(m_scaledBar.y())
                   .arg(m_scaledBar.width())
                   .arg(m_scaledBar.height())
                   .arg(expected.x())
                   .arg(expected.y())
                   .arg(expected.width())
                   .arg(expected.height()),
               m_scaled);
}

void TestBarHiDpi::addPictureRows()
{
    QTest::addColumn<int>("picture"); // index into DigitLefts
    for (int i = 0; i < 5; ++i)
        QTest::newRow(PictureNames[i]) << i;
}

void TestBarHiDpi::digitsInPlace_data()
{
    addPictureRows();
}

void TestBarHiDpi::digitsInPlace()
{
    QFETCH(int, picture);
    const double shrunk =
        shrunkDifference(digitPicture(m_standard, {}, picture, 1),
                         digitPicture(m_scaled, m_scaledBar.topLeft(), picture, Scale), Scale);
    qInfo("shrunk to scale 1 the picture differs by %.4f per pixel", shrunk);
    BAR_VERIFY(shrunk <= MaxShrunkDifference,
               u"shrunk to scale 1 the picture differs from the standard one by %1 per pixel"_s.arg(
                   shrunk),
               m_scaled);
}

void TestBarHiDpi::digitsPaintedAtFullResolution_data()
{
    addPictureRows();
}

void TestBarHiDpi::digitsPaintedAtFullResolution()
{
    QFETCH(int, picture);
    const int standardEdge = edgePixels(digitPicture(m_standard, {}, picture, 1));
    const int scaledEdge =
        edgePixels(digitPicture(m_scaled, m_scaledBar.topLeft(), picture, Scale));
    qInfo("edge pixels: %d at scale 1, %d at scale 2", standardEdge, scaledEdge);
    QVERIFY2(standardEdge > 0, "the standard picture has no anti-aliased edges to compare");

    const double ratio = double(scaledEdge) / standardEdge;
    BAR_VERIFY(
        ratio <= MaxEdgeRatio,
        u"%1 times as many edge pixels as at scale 1: a standard picture blown up"_s.arg(ratio),
        m_scaled);
    BAR_VERIFY(ratio >= MinEdgeRatio,
               u"only %1 times as many edge pixels as at scale 1: not anti-aliased"_s.arg(ratio),
               m_scaled);
}

QTEST_MAIN(TestBarHiDpi)
#include "tst_bar_hidpi.moc"
