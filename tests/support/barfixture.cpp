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
#include <QMenu>

BarFixture::BarFixture(NoticeKind notice, QRect screen)
    : strip(GlyphStrip::render(1.0), 1, GlyphStrip::Columns)
{
    windows.screen = screen;
    if (notice == NoticeKind::Real)
        form3 = std::make_unique<Notice>(Notice::Services{clock, windows, sound, strip});
    bar = std::make_unique<Bar>(
        Bar::Services{clock, windows, messages, dialog, strip, BarPicture::render(1.0)},
        this->notice());
    bar->load();
}

BarFixture::~BarFixture()
{
    bar.reset();
    form3.reset();
    // Closed notice windows wait for deferred deletion; their timers must go before the clock.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

NoticeHandle &BarFixture::notice()
{
    if (form3)
        return *form3;
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

PictureBox *BarFixture::image(int n) const
{
    auto *box = bar->findChild<PictureBox *>(QStringLiteral("Image%1").arg(n));
    Q_ASSERT(box);
    return box;
}

QMenu *BarFixture::menu() const
{
    auto *menu = bar->findChild<QMenu *>(QStringLiteral("popmenu"));
    Q_ASSERT(menu);
    return menu;
}

QAction *BarFixture::menuItem(const char *name) const
{
    auto *item = bar->findChild<QAction *>(QLatin1String(name));
    Q_ASSERT(item);
    return item;
}

MetronomeTimer *BarFixture::tickTimer() const
{
    auto *timer = bar->findChild<MetronomeTimer *>(QStringLiteral("Timer1"));
    Q_ASSERT(timer);
    return timer;
}

SettingsPanel::Values BarFixture::values() const
{
    return bar->panel()->values();
}

void BarFixture::setValues(const std::function<void(SettingsPanel::Values &)> &change)
{
    SettingsPanel::Values v = values();
    change(v);
    bar->panel()->setValues(v);
}

void BarFixture::click(const char *button)
{
    auto *b = bar->findChild<QAbstractButton *>(QLatin1String(button));
    Q_ASSERT(b);
    b->click();
}

QString BarFixture::noticeShown() const
{
    if (!form3 || !form3->form())
        return QString();
    const NoticeWindow *w = form3->form();
    return QString(digit(strip, w->findChild<PictureBox *>(QStringLiteral("Image1"))))
           + digit(strip, w->findChild<PictureBox *>(QStringLiteral("Image2")));
}
