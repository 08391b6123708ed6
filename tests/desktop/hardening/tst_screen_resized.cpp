// The screen changes size under a running bar - a projector plugged in, the resolution switched
// for the talk. The bar must move to the new top-right corner, stay readable there and still
// open its menu. The virtual screen is resized with xrandr; Xvfb allows any size up to the one
// it was started with, so the sizes here are all at most the start size.

#include "bardriver.h"
#include "mmss.h"

#include <QRegularExpression>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

QString runXrandr(const QStringList &args, bool *ok = nullptr)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(u"xrandr"_s, args);
    const bool done = p.waitForStarted() && p.waitForFinished(10000);
    if (ok)
        *ok = done && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
    return QString::fromLocal8Bit(p.readAll()).trimmed();
}

QSize parseSize(const QString &text)
{
    const QStringList wh = text.split(u'x');
    return wh.size() == 2 ? QSize(wh[0].toInt(), wh[1].toInt()) : QSize();
}

} // namespace

class TestScreenResized : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void barFollowsCorner_data();
    void barFollowsCorner();
    void borderedBarFollowsCorner_data();
    void borderedBarFollowsCorner();

private:
    // Switches the screen to `size`; an empty string when done, else what xrandr said.
    QString resize(const QSize &size);
    void checkBarAtCorner(const QSize &screen, const QString &digits);

    DesktopSession m_session;
    BarDriver m_driver{m_session};
    QString m_output;
    QSize m_startSize;
};

void TestScreenResized::initTestCase()
{
    m_startSize = parseSize(qEnvironmentVariable("TC_SCREEN_SIZE"));
    QVERIFY2(m_startSize.isValid(), "TC_SCREEN_SIZE is set by with-desktop.sh");
    bool ok = false;
    const QString query = runXrandr({u"--query"_s}, &ok);
    if (!ok)
        QSKIP(qPrintable(u"xrandr cannot query this X server: "_s + query));
    m_output = QRegularExpression(u"^(\\S+) connected"_s, QRegularExpression::MultilineOption)
                   .match(query)
                   .captured(1);
    if (m_output.isEmpty())
        QSKIP(qPrintable(u"xrandr shows no connected output to resize:\n"_s + query));

    QVERIFY(m_driver.start(QProcessEnvironment::systemEnvironment()));
    checkBarAtCorner(m_startSize, mmss(0));
}

QString TestScreenResized::resize(const QSize &size)
{
    const QString mode = u"%1x%2"_s.arg(size.width()).arg(size.height());
    const QString w = QString::number(size.width());
    const QString h = QString::number(size.height());
    // A mode with just the size is all a virtual screen needs; both calls fail harmlessly when
    // the mode exists already.
    runXrandr({u"--newmode"_s, mode, u"0"_s, w, w, w, w, h, h, h, h});
    runXrandr({u"--addmode"_s, m_output, mode});
    bool ok = false;
    const QString said =
        runXrandr({u"--output"_s, m_output, u"--mode"_s, mode, u"--fb"_s, mode}, &ok);
    if (!ok)
        return said.isEmpty() ? u"xrandr failed"_s : said;
    return {};
}

void TestScreenResized::checkBarAtCorner(const QSize &screen, const QString &digits)
{
    const int width = m_driver.bordered() ? BarLayout::BorderedWidth : BarLayout::Width;
    QTRY_COMPARE(m_driver.geometry().topRight(), QPoint(screen.width() - 1, 0));
    QCOMPARE(m_driver.geometry().width(), width);
    QVERIFY(m_session.windowInfo(m_driver.bar()).viewable);
    QTRY_COMPARE(m_driver.read(), digits);

    const DesktopSession::WindowId menu = m_driver.openMenu();
    QVERIFY2(menu != 0, "no menu opened on the bar");
    const QRect menuGeometry = m_session.windowInfo(menu).geometry;
    QVERIFY2(QRect(QPoint(0, 0), screen).contains(menuGeometry),
             qPrintable(u"menu at %1,%2 %3x%4"_s.arg(menuGeometry.x())
                            .arg(menuGeometry.y())
                            .arg(menuGeometry.width())
                            .arg(menuGeometry.height())));
    QVERIFY(m_driver.closeMenu(menu));
}

void TestScreenResized::barFollowsCorner_data()
{
    QTest::addColumn<QSize>("size");

    // One after the other: down, down again to a common laptop size, and back.
    QTest::newRow("to 1280x800") << QSize(1280, 800);
    QTest::newRow("to 1366x768") << QSize(1366, 768);
    QTest::newRow("to a narrow 800x600") << QSize(800, 600);
    QTest::newRow("back to the start size") << QSize();
}

void TestScreenResized::barFollowsCorner()
{
    QFETCH(QSize, size);
    if (size.isEmpty())
        size = m_startSize;
    QVERIFY(size.width() <= m_startSize.width() && size.height() <= m_startSize.height());

    const QString failed = resize(size);
    if (!failed.isEmpty())
        QSKIP(qPrintable(u"xrandr cannot resize this X server to %1x%2: %3"_s.arg(size.width())
                             .arg(size.height())
                             .arg(failed)));
    QTRY_COMPARE(m_session.screenSize(), size);
    checkBarAtCorner(size, mmss(0));
    if (QTest::currentTestFailed())
        return;
}

void TestScreenResized::borderedBarFollowsCorner_data()
{
    barFollowsCorner_data();
}

// Once the talk is set the bar has its own title bar and frame, and is wider by two pixels.
void TestScreenResized::borderedBarFollowsCorner()
{
    QFETCH(QSize, size);
    if (size.isEmpty())
        size = m_startSize;
    if (!m_driver.bordered()) {
        QVERIFY(m_driver.setTalk(0, 5, 3));
        QTRY_VERIFY(m_driver.bordered());
        checkBarAtCorner(m_session.screenSize(), mmss(5));
        if (QTest::currentTestFailed())
            return;
    }
    const QString failed = resize(size);
    if (!failed.isEmpty())
        QSKIP(qPrintable(u"xrandr cannot resize this X server: "_s + failed));
    QTRY_COMPARE(m_session.screenSize(), size);
    checkBarAtCorner(size, mmss(5));
}

QTEST_MAIN(TestScreenResized)
#include "tst_screen_resized.moc"
