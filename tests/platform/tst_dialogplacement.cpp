#include "dialogplacement.h"

#include <QTest>

// Where the bar's dialogs go: beside the bar and wholly on its screen, never over it.
class TestDialogPlacement : public QObject
{
    Q_OBJECT

private slots:
    void besideRect_data()
    {
        QTest::addColumn<QRect>("bar");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<QRect>("expected");
        const int g = DialogPlacement::Gap;
        QTest::addRow("corner: left, tops level")
            << QRect(1627, 0, 293, 347) << QSize(270, 140) << QRect(1627 - g - 270, 0, 270, 140);
        QTest::addRow("dragged low: left, lifted onto the screen")
            << QRect(1000, 1000, 295, 80) << QSize(270, 140)
            << QRect(1000 - g - 270, 1080 - 140, 270, 140);
        QTest::addRow("at the left edge: below, right edges level")
            << QRect(0, 0, 295, 153) << QSize(270, 140) << QRect(25, 153 + g, 270, 140);
        QTest::addRow("bottom-left: right")
            << QRect(0, 900, 295, 180) << QSize(270, 140) << QRect(295 + g, 900, 270, 140);
        QTest::addRow("wide dialog at the left edge, low: above")
            << QRect(0, 700, 400, 380) << QSize(1600, 300) << QRect(0, 700 - g - 300, 1600, 300);
        QTest::addRow("no room anywhere: on screen, over the bar")
            << QRect(0, 0, 1920, 1080) << QSize(700, 500) << QRect(0, 0, 700, 500);
    }

    void besideRect()
    {
        QFETCH(QRect, bar);
        QFETCH(QSize, size);
        QFETCH(QRect, expected);
        const QRect screen(0, 0, 1920, 1080);
        const QRect placed = DialogPlacement::besideRect(bar, size, screen);
        QCOMPARE(placed, expected);
        QVERIFY(screen.contains(placed));
    }

    // A second screen left of the primary: the dialog stays on the bar's screen.
    void staysOnTheBarsScreen()
    {
        const QRect screen(1920, 0, 1280, 1024);
        const QRect placed =
            DialogPlacement::besideRect(QRect(1920, 0, 293, 133), QSize(270, 140), screen);
        QVERIFY(screen.contains(placed));
        QVERIFY(!placed.intersects(QRect(1920, 0, 293, 133)));
    }
};

QTEST_APPLESS_MAIN(TestDialogPlacement)
#include "tst_dialogplacement.moc"
