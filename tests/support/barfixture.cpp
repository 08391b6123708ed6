#include "barfixture.h"

#include "barpicture.h"
#include "glyphstrip.h"
#include "metronometimer.h"
#include "noticewindow.h"
#include "picturebox.h"
#include "settingspanel.h"

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QCoreApplication>
#include <QLabel>
#include <QMenu>

BarFixture::BarFixture(NoticeKind notice, QRect screen)
    : strip(GlyphStrip::render(1.0), 1, GlyphStrip::Columns)
{
    windows.screen = screen;
    if (notice == NoticeKind::Real)
        realNotice = std::make_unique<Notice>(Notice::Services{clock, windows, sound, strip});
    bar = std::make_unique<Bar>(
        Bar::Services{clock, windows, messages, dialog, strip, BarPicture::render(1.0)},
        this->notice());
    bar->load();
}

BarFixture::~BarFixture()
{
    bar.reset();
    realNotice.reset();
    // Closed notice windows wait for deferred deletion; their timers must go before the clock.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

NoticeHandle &BarFixture::notice()
{
    if (realNotice)
        return *realNotice;
    return fakeNotice;
}

void BarFixture::pick(const char *combo, const QString &text)
{
    auto *box = bar->findChild<QComboBox *>(QLatin1String(combo));
    Q_ASSERT(box);
    const int index = box->findText(text);
    Q_ASSERT(index >= 0);
    box->setCurrentIndex(index);
    emit box->activated(index);
}

void BarFixture::apply(int minutes, int seconds, const QString &reminder)
{
    pick("Combo1", QString::number(minutes));
    pick("Combo2", QString::number(seconds));
    pick("Combo3", reminder);
    bar->applySettings();
}

int cellShown(const PictureClip &strip, const PictureBox *box)
{
    const qint64 key = box->picture().cacheKey();
    for (int k = 0; k < strip.cellCount(); ++k) {
        if (strip.cell(k).cacheKey() == key)
            return k;
    }
    return -1;
}

static QChar digit(const PictureClip &strip, const PictureBox *box)
{
    const int k = cellShown(strip, box);
    if (k == GlyphStrip::ColonCell)
        return QLatin1Char(':');
    return k >= 0 ? QChar(QLatin1Char('0' + k)) : QLatin1Char('?');
}

QString BarFixture::shown() const
{
    QString text;
    for (int i = 1; i <= 5; ++i)
        text += digit(strip, image(i));
    return text;
}

void BarFixture::setValues(const std::function<void(SettingsPanel::Values &)> &change)
{
    SettingsPanel::Values v = values();
    change(v);
    bar->panel()->setValues(v);
}

NoticeParts noticeParts(const NoticeWindow *w)
{
    return {child<QLabel>(w, "Label1"), child<QLabel>(w, "Label2"), child<PictureBox>(w, "Image1"),
            child<PictureBox>(w, "Image2")};
}

QString BarFixture::noticeShown() const
{
    if (!realNotice || !realNotice->window())
        return QString();
    const NoticeWindow *w = realNotice->window();
    return QString(digit(strip, noticeParts(w).tens)) + digit(strip, noticeParts(w).units);
}
