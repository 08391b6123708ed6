#include "barprobe.h"

#include "glyphstrip.h"

#include <QAction>
#include <QDateTime>
#include <QDebug>
#include <QDir>
#include <QMenu>
#include <QTest>

#include <algorithm>
#include <cstdlib>

using namespace Qt::StringLiterals;

namespace BarProbe {

namespace {

const QImage &strip()
{
    static const QImage image = GlyphStrip::render(1.0).convertToFormat(QImage::Format_RGB32);
    return image;
}

QImage cellImage(int cell)
{
    return strip().copy(cell * GlyphStrip::CellWidth, 0, GlyphStrip::CellWidth, GlyphStrip::Height);
}

// Screen grabs come through a 24-bit visual; allow a little rounding on the way.
bool sameColour(QRgb a, QRgb b)
{
    constexpr int slack = 12;
    return std::abs(qRed(a) - qRed(b)) <= slack && std::abs(qGreen(a) - qGreen(b)) <= slack
           && std::abs(qBlue(a) - qBlue(b)) <= slack;
}

double mismatch(const QImage &region, const QImage &glyph)
{
    int differing = 0;
    for (int y = 0; y < glyph.height(); ++y) {
        for (int x = 0; x < glyph.width(); ++x) {
            if (!sameColour(region.pixel(x, y), glyph.pixel(x, y)))
                ++differing;
        }
    }
    return double(differing) / (glyph.width() * glyph.height());
}

} // namespace

QList<WindowId> programWindows(DesktopSession &session)
{
    // Short timeout: the caller wants the state of now, and the bar is normally there already.
    return session.findWindows(QStringLiteral("^talk-countdown$"), DesktopSession::Match::Class,
                               300);
}

WindowId findBar(DesktopSession &session, int timeoutMs)
{
    WindowId bar = 0;
    (void)QTest::qWaitFor(
        [&] {
            for (WindowId id : programWindows(session)) {
                const int width = session.windowInfo(id).geometry.width();
                if (width == Width || width == BorderedWidth) {
                    bar = id;
                    return true;
                }
            }
            return false;
        },
        timeoutMs);
    if (!bar) {
        qWarning() << "no bar-sized window of the program; its windows:";
        for (WindowId id : programWindows(session))
            qWarning() << "  " << Qt::hex << id << session.windowInfo(id).geometry;
    }
    return bar;
}

WindowId waitForNewWindow(DesktopSession &session, const QList<WindowId> &known, int timeoutMs)
{
    WindowId found = 0;
    (void)QTest::qWaitFor(
        [&] {
            for (WindowId id : programWindows(session)) {
                if (!known.contains(id)) {
                    found = id;
                    return true;
                }
            }
            return false;
        },
        timeoutMs);
    return found;
}

QPoint clientOrigin(const QRect &barGeometry, bool bordered)
{
    if (!bordered)
        return barGeometry.topLeft();
    // The title bar is far lower than the panel, so the height tells whether the panel is open.
    const int inside = barGeometry.height() - 2;
    const int titleHeight = inside - (inside >= ExpandedHeight ? ExpandedHeight : CollapsedHeight);
    return barGeometry.topLeft() + QPoint(1, 1 + titleHeight);
}

double glyphMismatch(const QImage &screen, const QPoint &at, int cell)
{
    const QRect area(at, QSize(GlyphStrip::CellWidth, GlyphStrip::Height));
    // A picture partly off the screen is not a picture that can be read.
    if (!screen.rect().contains(area))
        return 1.0;
    return mismatch(screen.copy(area).convertToFormat(QImage::Format_RGB32), cellImage(cell));
}

QString readDigits(const QImage &screen, const QPoint &client)
{
    QString text;
    for (int left : DigitLefts) {
        const QPoint at = client + QPoint(left, DigitTop);
        int best = -1;
        double bestMismatch = 1.0;
        for (int cell = 0; cell < GlyphStrip::Columns; ++cell) {
            const double m = glyphMismatch(screen, at, cell);
            if (m < bestMismatch) {
                bestMismatch = m;
                best = cell;
            }
        }
        if (best < 0 || bestMismatch > GlyphTolerance)
            text += u'?';
        else
            text += best == GlyphStrip::ColonCell ? u':' : QChar(u'0' + best);
    }
    return text;
}

double smallestGlyphDifference()
{
    double smallest = 1.0;
    for (int a = 0; a < GlyphStrip::Columns; ++a) {
        for (int b = a + 1; b < GlyphStrip::Columns; ++b)
            smallest = std::min(smallest, mismatch(cellImage(a), cellImage(b)));
    }
    return smallest;
}

int countColour(const QImage &screen, const QRect &area, const QColor &colour)
{
    int count = 0;
    const QRect inside = area.intersected(screen.rect());
    for (int y = inside.top(); y <= inside.bottom(); ++y) {
        for (int x = inside.left(); x <= inside.right(); ++x) {
            if (sameColour(screen.pixel(x, y), colour.rgb()))
                ++count;
        }
    }
    return count;
}

QString keepForInspection(const QImage &image)
{
    const QString dir = qEnvironmentVariable("TC_SHOT_DIR", QDir::tempPath());
    QString name = u"tc-bar-"_s + QString::fromLatin1(QTest::currentTestFunction());
    if (const char *row = QTest::currentDataTag())
        name += u'-' + QString::fromLocal8Bit(row).replace(u' ', u'_').remove(u',');
    name += u"-%1.png"_s.arg(QDateTime::currentMSecsSinceEpoch());
    const QString path = QDir(dir).filePath(name);
    if (!image.save(path))
        return QStringLiteral("(could not save %1)").arg(path);
    return path;
}

MenuRuler::MenuRuler()
{
    QMenu menu;
    QAction *entries[] = {menu.addAction(QStringLiteral("启动")),
                          menu.addAction(QStringLiteral("暂停")), nullptr, nullptr};
    menu.addSeparator();
    entries[Settings] = menu.addAction(QStringLiteral("设置"));
    entries[Exit] = menu.addAction(QStringLiteral("退出"));
    menu.ensurePolished();
    m_size = menu.sizeHint();
    for (int i = 0; i < 4; ++i)
        m_centres[i] = menu.actionGeometry(entries[i]).center();
}

WindowId rightClickForMenu(DesktopSession &session, const QPoint &at, int timeoutMs)
{
    const QList<WindowId> before = programWindows(session);
    if (!session.click(at, 3))
        return 0;
    return waitForNewWindow(session, before, timeoutMs);
}

} // namespace BarProbe
