#include "barfixture.h"

#include "barpicture.h"
#include "glyphstrip.h"
#include "noticewindow.h"
#include "picturebox.h"
#include "settingspanel.h"

#include <QComboBox>
#include <QCoreApplication>

BarFixture::BarFixture(NoticeKind notice, QRect screen)
    : strip(GlyphStrip::render(1.0), 1, GlyphStrip::Columns)
{
    windows.screen = screen;
    if (notice == NoticeKind::Real) {
        form3 = std::make_unique<Notice>(Notice::Services{clock, windows, sound, strip},
                                         Notice::BarReadout{[this] { return bar->reminderText(); },
                                                            [this] { return bar->soundPath(); }});
    }
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
        if (strip.GraphicCell(k).cacheKey() == key)
            return k;
    }
    return -1;
}

static QChar digit(const PictureClip &strip, const PictureBox *box)
{
    const int k = cellShown(strip, box);
    if (k == 10)
        return QLatin1Char(':');
    return k >= 0 ? QChar(QLatin1Char('0' + k)) : QLatin1Char('?');
}

QString BarFixture::shown() const
{
    QString text;
    for (const PictureBox *box :
         {bar->minutesTens, bar->minutesUnits, bar->colon, bar->secondsTens, bar->secondsUnits})
        text += digit(strip, box);
    return text;
}

QString BarFixture::noticeShown() const
{
    if (!form3 || !form3->form())
        return QString();
    const NoticeWindow *w = form3->form();
    return QString(digit(strip, w->tensDigit)) + digit(strip, w->unitsDigit);
}
