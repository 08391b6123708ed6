#include "qtwindowops.h"

#include <QTest>
#include <QWidget>

#include <memory>
#include <vector>

// The real window operations on whatever platform the test runs on: the periodic raise must
// reach the window system safely there (on X it is pushed out at once; the offscreen platform
// has no connection to push, even with a display around).
class TestQtWindowOps : public QObject
{
    Q_OBJECT

private slots:
    void periodicRaiseKeepsWindowsUp_data()
    {
        QTest::addColumn<int>("windows");
        QTest::addRow("one window") << 1;
        QTest::addRow("the bar and a notice") << 2;
    }

    void periodicRaiseKeepsWindowsUp()
    {
        QFETCH(int, windows);
        QtWindowOps ops;
        std::vector<std::unique_ptr<QWidget>> kept;
        for (int i = 0; i < windows; ++i) {
            kept.push_back(std::make_unique<QWidget>());
            ops.showTopmost(kept.back().get(), QRect(10 + 50 * i, 10, 40, 30));
            ops.keepOnTop(kept.back().get());
        }
        QWidget other; // opened later, as a slide show would be
        other.setGeometry(0, 0, 200, 100);
        other.show();
        QVERIFY(QTest::qWaitForWindowExposed(&other));
        QTest::qWait(2300); // two raises
        for (const auto &w : kept) {
            QVERIFY(w->isVisible());
            QCOMPARE(w->windowFlags() & QtWindowOps::topmostFlags(), QtWindowOps::topmostFlags());
        }
        kept.pop_back(); // a closed notice drops out of the raises
        QTest::qWait(1200);
    }
};

QTEST_MAIN(TestQtWindowOps)
#include "tst_qtwindowops.moc"
