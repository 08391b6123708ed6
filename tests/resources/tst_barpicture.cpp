#include "barpicture.h"

#include <QtTest>

class TestBarPicture : public QObject
{
    Q_OBJECT

private slots:
    void size_data();
    void size();
    void colours_data();
    void colours();
    void smooth_data();
    void smooth();
};

void TestBarPicture::size_data()
{
    QTest::addColumn<qreal>("dpr");
    QTest::addColumn<QSize>("physicalSize");
    QTest::newRow("standard") << 1.0 << QSize(302, 172);
    QTest::newRow("double") << 2.0 << QSize(604, 344);
}

void TestBarPicture::size()
{
    QFETCH(qreal, dpr);
    QFETCH(QSize, physicalSize);
    const QImage picture = BarPicture::render(dpr);
    QCOMPARE(picture.size(), physicalSize);
    QCOMPARE(picture.devicePixelRatio(), dpr);
    QVERIFY(!picture.hasAlphaChannel());
}

void TestBarPicture::colours_data()
{
    QTest::addColumn<qreal>("dpr");
    QTest::addColumn<QPointF>("where"); // fraction of width and height
    QTest::addColumn<QColor>("expected");
    for (const qreal dpr : {1.0, 2.0}) {
        const QString suffix = QStringLiteral(" dpr %1").arg(dpr);
        QTest::newRow(qPrintable("top left" + suffix))
            << dpr << QPointF(0, 0) << QColor(85, 199, 228);
        QTest::newRow(qPrintable("top right" + suffix))
            << dpr << QPointF(1, 0) << QColor(30, 123, 181);
        QTest::newRow(qPrintable("bottom left" + suffix))
            << dpr << QPointF(0, 1) << QColor(20, 111, 182);
        QTest::newRow(qPrintable("bottom right" + suffix))
            << dpr << QPointF(1, 1) << QColor(11, 80, 155);
        QTest::newRow(qPrintable("middle" + suffix))
            << dpr << QPointF(0.5, 0.5) << QColor(31, 132, 187);
    }
}

void TestBarPicture::colours()
{
    QFETCH(qreal, dpr);
    QFETCH(QPointF, where);
    QFETCH(QColor, expected);
    const QImage picture = BarPicture::render(dpr);
    const QPoint p(qRound(where.x() * (picture.width() - 1)),
                   qRound(where.y() * (picture.height() - 1)));
    const QColor actual = picture.pixelColor(p);
    constexpr int tolerance = 4;
    QVERIFY2(qAbs(actual.red() - expected.red()) <= tolerance
                 && qAbs(actual.green() - expected.green()) <= tolerance
                 && qAbs(actual.blue() - expected.blue()) <= tolerance,
             qPrintable(QStringLiteral("got %1, wanted %2").arg(actual.name(), expected.name())));
}

void TestBarPicture::smooth_data()
{
    QTest::addColumn<qreal>("dpr");
    QTest::newRow("standard") << 1.0;
    QTest::newRow("double") << 2.0;
}

void TestBarPicture::smooth()
{
    QFETCH(qreal, dpr);
    const QImage picture = BarPicture::render(dpr);
    auto step = [](QRgb p, QRgb q) {
        return qMax(qAbs(qRed(p) - qRed(q)),
                    qMax(qAbs(qGreen(p) - qGreen(q)), qAbs(qBlue(p) - qBlue(q))));
    };
    int worst = 0;
    for (int y = 0; y < picture.height(); ++y) {
        for (int x = 0; x < picture.width(); ++x) {
            if (x + 1 < picture.width())
                worst = qMax(worst, step(picture.pixel(x, y), picture.pixel(x + 1, y)));
            if (y + 1 < picture.height())
                worst = qMax(worst, step(picture.pixel(x, y), picture.pixel(x, y + 1)));
        }
    }
    QVERIFY2(worst <= 3, qPrintable(QString::number(worst)));
}

QTEST_MAIN(TestBarPicture)
#include "tst_barpicture.moc"
