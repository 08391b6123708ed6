#include "glyphstrip.h"
#include "pictureclip.h"

#include <QtTest>

namespace {

// A strip whose pixels all differ, so a cell cut one pixel off is caught.
QImage patternedStrip(qreal dpr)
{
    QImage strip(qRound(GlyphStrip::Width * dpr), qRound(GlyphStrip::Height * dpr),
                 QImage::Format_RGB32);
    for (int y = 0; y < strip.height(); ++y)
        for (int x = 0; x < strip.width(); ++x)
            strip.setPixel(x, y, qRgb(x % 256, x / 256 * 64 + y % 64, y));
    strip.setDevicePixelRatio(dpr);
    return strip;
}

} // namespace

class TestPictureClip : public QObject
{
    Q_OBJECT

private slots:
    void cellsMatchTheStrip_data();
    void cellsMatchTheStrip();
    void leftoverColumnBelongsToNoCell_data();
    void leftoverColumnBelongsToNoCell();
    void gridIsReadRowByRow();
    void outOfRangeIsNull_data();
    void outOfRangeIsNull();
};

void TestPictureClip::cellsMatchTheStrip_data()
{
    QTest::addColumn<qreal>("dpr");
    QTest::addColumn<int>("cell");
    for (const qreal dpr : {1.0, 2.0})
        for (int k = 0; k < GlyphStrip::Columns; ++k)
            QTest::newRow(qPrintable(QStringLiteral("dpr %1 cell %2").arg(dpr).arg(k))) << dpr << k;
}

void TestPictureClip::cellsMatchTheStrip()
{
    QFETCH(qreal, dpr);
    QFETCH(int, cell);
    const QImage strip = patternedStrip(dpr);
    const PictureClip clip(strip, 1, GlyphStrip::Columns);
    QCOMPARE(clip.cellCount(), 11);
    QCOMPARE(clip.cellSize(), QSize(41, 69));

    const QPixmap got = clip.cell(cell);
    QCOMPARE(got.devicePixelRatio(), dpr);
    const int width = qRound(41 * dpr);
    QCOMPARE(got.size(), QSize(width, qRound(69 * dpr)));
    QCOMPARE(got.toImage().convertToFormat(QImage::Format_RGB32),
             strip.copy(cell * width, 0, width, strip.height()));
}

void TestPictureClip::leftoverColumnBelongsToNoCell_data()
{
    QTest::addColumn<qreal>("dpr");
    QTest::newRow("standard") << 1.0;
    QTest::newRow("double") << 2.0;
}

void TestPictureClip::leftoverColumnBelongsToNoCell()
{
    QFETCH(qreal, dpr);
    const QRgb marker = qRgb(255, 0, 255);
    QImage strip(qRound(GlyphStrip::Width * dpr), qRound(GlyphStrip::Height * dpr),
                 QImage::Format_RGB32);
    strip.fill(GlyphStrip::Background);
    for (int x = qRound(451 * dpr); x < strip.width(); ++x)
        for (int y = 0; y < strip.height(); ++y)
            strip.setPixel(x, y, marker);
    strip.setDevicePixelRatio(dpr);

    const PictureClip clip(strip, 1, GlyphStrip::Columns);
    QCOMPARE(clip.cellCount(), 11);
    for (int k = 0; k < clip.cellCount(); ++k) {
        const QImage cell = clip.cell(k).toImage();
        for (int y = 0; y < cell.height(); ++y)
            for (int x = 0; x < cell.width(); ++x)
                QVERIFY2(cell.pixel(x, y) != marker,
                         qPrintable(QStringLiteral("cell %1 at %2,%3").arg(k).arg(x).arg(y)));
    }
}

void TestPictureClip::gridIsReadRowByRow()
{
    // Two rows of three 10 x 5 cells, each its own colour, plus a spare column that is dropped.
    QImage picture(31, 10, QImage::Format_RGB32);
    for (int row = 0; row < 2; ++row)
        for (int column = 0; column < 3; ++column)
            for (int y = 0; y < 5; ++y)
                for (int x = 0; x < 10; ++x)
                    picture.setPixel(column * 10 + x, row * 5 + y,
                                     qRgb(row * 100, column * 100, 7));
    const PictureClip clip(picture, 2, 3);
    QCOMPARE(clip.cellCount(), 6);
    QCOMPARE(clip.cellSize(), QSize(10, 5));
    for (int k = 0; k < 6; ++k) {
        const QImage cell = clip.cell(k).toImage();
        QCOMPARE(cell.size(), QSize(10, 5));
        QCOMPARE(cell.pixel(0, 0), qRgb(k / 3 * 100, k % 3 * 100, 7));
        QCOMPARE(cell.pixel(9, 4), qRgb(k / 3 * 100, k % 3 * 100, 7));
    }
}

void TestPictureClip::outOfRangeIsNull_data()
{
    QTest::addColumn<int>("index");
    QTest::newRow("negative") << -1;
    QTest::newRow("one past the end") << 11;
    QTest::newRow("far past the end") << 1000;
}

void TestPictureClip::outOfRangeIsNull()
{
    QFETCH(int, index);
    const PictureClip clip(GlyphStrip::render(1), 1, GlyphStrip::Columns);
    QVERIFY(clip.cell(index).isNull());
    QVERIFY(PictureClip().cell(0).isNull());
}

QTEST_MAIN(TestPictureClip)
#include "tst_pictureclip.moc"
