// A six-second talk with colour stages at 0:04 and 0:02 that counts on past zero, watched on
// the screen: the digits go cyan, amber, red, and after 00:00 count 00:01, 00:02 in red.
// Each reading samples the digits' colour in the grab and reads them against the glyph cells.

#include "desktopsession.h"
#include "glyphstrip.h"

#include <QDeadlineTimer>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

constexpr QSize BarSize(293, 133); // the client area
constexpr int DigitTop = 16;
constexpr int DigitLefts[] = {32, 80, 176, 224}; // mm ss; the colon sits between

const QList<std::pair<QString, QColor>> Colours = {
    {u"cyan"_s, GlyphStrip::Lit}, {u"amber"_s, GlyphStrip::Amber}, {u"red"_s, GlyphStrip::Red}};

int distance(QRgb a, const QColor &b)
{
    return qAbs(qRed(a) - b.red()) + qAbs(qGreen(a) - b.green()) + qAbs(qBlue(a) - b.blue());
}

// The lit colour nearest the pixel of the digit area that is furthest from the background.
QString sampleColour(const QImage &digits)
{
    QRgb brightest = GlyphStrip::Background.rgb();
    for (int y = 0; y < digits.height(); ++y) {
        for (int x = 0; x < digits.width(); ++x) {
            const QRgb p = digits.pixel(x, y);
            if (distance(p, GlyphStrip::Background) > distance(brightest, GlyphStrip::Background))
                brightest = p;
        }
    }
    if (distance(brightest, GlyphStrip::Background) < 200)
        return u"dark"_s;
    const auto nearest = std::min_element(Colours.begin(), Colours.end(), [&](auto &a, auto &b) {
        return distance(brightest, a.second) < distance(brightest, b.second);
    });
    return nearest->first;
}

// The glyph cell (0-9) the picture matches best, or -1 when none is close.
int readDigit(const QImage &picture, const QImage &strip)
{
    int best = -1;
    qint64 bestDiff = std::numeric_limits<qint64>::max();
    for (int k = 0; k < 10; ++k) {
        qint64 diff = 0;
        for (int y = 0; y < GlyphStrip::Height; ++y) {
            for (int x = 0; x < GlyphStrip::CellWidth; ++x)
                diff += distance(picture.pixel(x, y),
                                 strip.pixelColor(k * GlyphStrip::CellWidth + x, y));
        }
        if (diff < bestDiff) {
            bestDiff = diff;
            best = k;
        }
    }
    // Matching cells differ by a few levels at most; the nearest wrong digit by thousands.
    return bestDiff < 20 * GlyphStrip::CellWidth * GlyphStrip::Height / 10 ? best : -1;
}

} // namespace

class TestDesktopOvertime : public QObject
{
    Q_OBJECT

private slots:
    void stagesThenOvertime();

private:
    // "mm:ss colour" of the bar whose client area starts at `origin`.
    QString reading(const QImage &screen, const QPoint &origin);

    DesktopSession m_session;
    QHash<QString, QImage> m_strips;
};

QString TestDesktopOvertime::reading(const QImage &screen, const QPoint &origin)
{
    const QRect area(
        origin + QPoint(DigitLefts[0], DigitTop),
        QSize(DigitLefts[3] + GlyphStrip::CellWidth - DigitLefts[0], GlyphStrip::Height));
    const QString colour = sampleColour(screen.copy(area));
    if (!m_strips.contains(colour))
        return colour;
    QString text;
    for (int i = 0; i < 4; ++i) {
        const QImage cell = screen.copy(QRect(origin + QPoint(DigitLefts[i], DigitTop),
                                              QSize(GlyphStrip::CellWidth, GlyphStrip::Height)));
        const int digit = readDigit(cell, m_strips.value(colour));
        text += digit < 0 ? u'?' : QChar(u'0' + digit);
        if (i == 1)
            text += u':';
    }
    return text + u' ' + colour;
}

void TestDesktopOvertime::stagesThenOvertime()
{
    for (const auto &[name, lit] : Colours)
        m_strips.insert(name, GlyphStrip::render(1.0, lit).convertToFormat(QImage::Format_RGB32));
    QVERIFY(m_session.startProgram(
        {u"0:06"_s, u"--start"_s, u"--at-zero"_s, u"overtime"_s, u"--stages"_s, u"0:04,0:02"_s}));

    DesktopSession::WindowId bar = 0;
    QRect frame;
    QTRY_VERIFY_WITH_TIMEOUT(
        [&] {
            for (auto id :
                 m_session.findWindows(u"^talk-countdown$"_s, DesktopSession::Match::Class, 300)) {
                frame = m_session.windowInfo(id).geometry;
                // Borderless, or with its one-pixel frame and title bar above the client area.
                if (frame.width() == BarSize.width() || frame.width() == BarSize.width() + 2)
                    bar = id;
            }
            return bar != 0;
        }(),
        10000);
    const QPoint origin = frame.width() == BarSize.width()
                              ? frame.topLeft()
                              : QPoint(frame.left() + 1, frame.bottom() - BarSize.height());

    // Every change of what the bar shows, in order, until two seconds over.
    QStringList seen;
    const QDeadlineTimer deadline(30000);
    while (!deadline.hasExpired() && !seen.contains(u"00:03 red"_s)) {
        const QString now = reading(m_session.grabScreen(), origin);
        // A grab taken while the bar repaints may read as nothing; the next one will not.
        const bool readable = !now.contains(u'?') && now.contains(u':');
        if (readable && (seen.isEmpty() || seen.last() != now))
            seen << now;
        QTest::qWait(50);
    }
    qInfo() << "seen:" << seen;
    const qsizetype zero = seen.indexOf(u"00:00 red"_s);
    QVERIFY2(zero > 0, qPrintable(seen.join(u", ")));
    QVERIFY(seen.first().endsWith(u" cyan"_s));
    QVERIFY(seen.indexOf(u"00:04 amber"_s) > 0 || seen.indexOf(u"00:03 amber"_s) > 0);
    const qsizetype red = seen.indexOf(u"00:02 red"_s);
    QVERIFY(red > 0 && red < zero);
    QCOMPARE(seen.mid(zero + 1, 2), (QStringList{u"00:01 red"_s, u"00:02 red"_s}));
}

QTEST_MAIN(TestDesktopOvertime)
#include "tst_desktop_overtime.moc"
