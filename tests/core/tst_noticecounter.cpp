#include "noticecounter.h"

#include <QTest>

// The notice window's counting without the window: digits, sound ticks, closing delay.
class TestNoticeCounter : public QObject
{
    Q_OBJECT

private:
    struct Showing
    {
        QList<int> left;   // noticeSeconds after each counting tick
        QList<int> sounds; // ticks (1-based) that start the sound
        int closingTick = 0;
    };

    static Showing count(NoticeCounter &c, int seconds)
    {
        c.load(seconds);
        Showing s;
        for (int k = 1; k <= 100; ++k) {
            const NoticeCounter::Step step = c.tick();
            if (step == NoticeCounter::Step::Closing) {
                s.closingTick = k;
                break;
            }
            s.left << c.noticeSeconds();
            if (step == NoticeCounter::Step::CountedWithSound)
                s.sounds << k;
        }
        return s;
    }

    static int closingDelay(NoticeCounter &c)
    {
        for (int k = 1; k <= 10; ++k) {
            if (c.closingTick())
                return k;
        }
        return -1;
    }

private slots:
    void countdown_data()
    {
        QTest::addColumn<int>("seconds");
        QTest::addColumn<int>("soundTicks"); // at the load
        QTest::addColumn<QList<int>>("sounds");
        QTest::addRow("30, first showing") << 30 << 0 << QList<int>{2, 6, 10, 14, 18, 22, 26, 30};
        QTest::addRow("30, after one showing of 30")
            << 30 << 30 << QList<int>{4, 8, 12, 16, 20, 24, 28};
        QTest::addRow("30, after two showings of 30")
            << 30 << 60 << QList<int>{2, 6, 10, 14, 18, 22, 26, 30};
        QTest::addRow("30, after a showing of 5")
            << 30 << 5 << QList<int>{1, 5, 9, 13, 17, 21, 25, 29};
        QTest::addRow("5") << 5 << 0 << QList<int>{2};
        QTest::addRow("2") << 2 << 0 << QList<int>{2};
        QTest::addRow("1") << 1 << 0 << QList<int>{};
        QTest::addRow("0") << 0 << 0 << QList<int>{};
        QTest::addRow("59") << 59 << 0
                            << QList<int>{2, 6, 10, 14, 18, 22, 26, 30, 34, 38, 42, 46, 50, 54, 58};
    }

    void countdown()
    {
        QFETCH(int, seconds);
        QFETCH(int, soundTicks);
        QFETCH(QList<int>, sounds);
        NoticeCounter c(soundTicks, 0);
        const Showing s = count(c, seconds);
        QList<int> left;
        for (int n = seconds - 1; n >= 0; --n)
            left << n;
        QCOMPARE(s.left, left);
        QCOMPARE(s.sounds, sounds);
        QCOMPARE(s.closingTick, seconds + 1);
        QCOMPARE(int(c.soundTicks()), soundTicks + seconds);
        // A late tick after the closing step changes nothing.
        QVERIFY(c.tick() == NoticeCounter::Step::Closing);
        QCOMPARE(int(c.soundTicks()), soundTicks + seconds);
        QCOMPARE(int(c.noticeSeconds()), 0);
    }

    void closingDelay_data()
    {
        QTest::addColumn<int>("closeTicks"); // before the closing step
        QTest::addColumn<bool>("reload");
        QTest::addColumn<int>("delay");
        QTest::addRow("fresh") << 0 << true << 4;
        QTest::addRow("after a complete showing, reloaded") << 4 << true << 4;
        QTest::addRow("cut short at 2, reloaded") << 2 << true << 4;
        QTest::addRow("half way without a load") << 2 << false << 2;
        QTest::addRow("complete without a load") << 4 << false << 1;
    }

    void closingDelay()
    {
        QFETCH(int, closeTicks);
        QFETCH(bool, reload);
        QFETCH(int, delay);
        NoticeCounter c(0, closeTicks);
        if (reload)
            c.load(0);
        QCOMPARE(closingDelay(c), delay);
        QCOMPARE(int(c.closeTicks()), 4);
    }

    void loadKeepsTheSoundPhase()
    {
        NoticeCounter c;
        count(c, 30);
        closingDelay(c);
        c.load(12);
        QCOMPARE(int(c.noticeSeconds()), 12);
        QCOMPARE(int(c.soundTicks()), 30);
        QCOMPARE(int(c.closeTicks()), 0);
    }

    void soundKeepsItsBeatAcrossTheWrap_data()
    {
        QTest::addColumn<int>("soundTicks");
        QTest::addRow("just below the wrap") << 32760;
        QTest::addRow("one before the wrap") << 32763;
        QTest::addRow("right after the wrap") << 0;
    }

    void soundKeepsItsBeatAcrossTheWrap()
    {
        QFETCH(int, soundTicks);
        NoticeCounter c(soundTicks, 0);
        const Showing s = count(c, 59);
        QVERIFY(s.sounds.size() >= 14);
        for (qsizetype i = 1; i < s.sounds.size(); ++i)
            QCOMPARE(s.sounds.at(i) - s.sounds.at(i - 1), 4);
        QVERIFY(s.sounds.first() <= 4);
        QVERIFY(s.sounds.last() > 59 - 4);
        QVERIFY(c.soundTicks() >= 0);
    }

    void tenThousandShowings()
    {
        NoticeCounter c;
        int sounds = 0;
        int ticks = 0;
        for (int showing = 0; showing < 10'000; ++showing) {
            const Showing s = count(c, 59);
            sounds += int(s.sounds.size());
            ticks += int(s.left.size());
            QCOMPARE(closingDelay(c), 4);
            QVERIFY2(c.soundTicks() >= 0, qPrintable(QString::number(showing)));
        }
        // One sound in every four counting ticks, the first on the second tick of the run.
        QCOMPARE(ticks, 590'000);
        QCOMPARE(sounds, (ticks + 2) / 4);
        QCOMPARE(c.soundTicks() % 4, ticks % 4);
        const Showing next = count(c, 30);
        QCOMPARE(next.sounds.first(), 2);
    }
};

QTEST_APPLESS_MAIN(TestNoticeCounter)
#include "tst_noticecounter.moc"
