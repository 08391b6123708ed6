#include "noticewindow.h"

#include "countdown.h"
#include "layout.h"
#include "metronometimer.h"
#include "picturebox.h"
#include "shapeframe.h"
#include "showtwodigits.h"
#include "textlabel.h"

#include <QFontMetrics>
#include <QLabel>
#include <QPalette>

namespace {

QLabel *makeLabel(const char *name, QWidget *parent)
{
    const Layout::Control &c = Layout::noticeControl(name);
    auto *label = new TextLabel(Layout::translated(c.caption), parent);
    label->setObjectName(QLatin1String(name));
    label->setGeometry(c.geometry.toPixels());
    label->setFont(NoticeWindow::labelFont());
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setAttribute(Qt::WA_TranslucentBackground);
    label->setAutoFillBackground(false);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, QColor(QRgb(Layout::NoticeTextColor)));
    label->setPalette(palette);
    return label;
}

PictureBox *makeImage(const char *name, QWidget *parent)
{
    auto *image = new PictureBox(parent);
    image->setObjectName(QLatin1String(name));
    image->setGeometry(Layout::noticeControl(name).geometry.toPixels());
    return image;
}

MetronomeTimer *makeTimer(const char *name, Clock &clock, QObject *parent)
{
    auto *timer = new MetronomeTimer(clock, parent);
    timer->setObjectName(QLatin1String(name));
    timer->setInterval(Countdown::TickMs);
    timer->setEnabled(true); // as laid out; the load sets both explicitly
    return timer;
}

} // namespace

NoticeWindow::NoticeWindow(Clock &clock, QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint)
{
    setObjectName(QStringLiteral("Form3"));
    setWindowTitle(QStringLiteral("Form3"));
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFocusPolicy(Qt::NoFocus);
    setWindowFlag(Qt::WindowDoesNotAcceptFocus);
    resize(Layout::NoticeClientAsLaidOut.toPixels().size());

    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, QColor(QRgb(Layout::NoticeBackColor)));
    setPalette(palette);
    setAutoFillBackground(true);

    const Layout::Control &shape = Layout::noticeControl("Shape1");
    m_frame =
        new ShapeFrame(QColor(QRgb(Layout::NoticeFrameColor)), Layout::NoticeFrameWidth, this);
    m_frame->setObjectName(QLatin1String(shape.name));
    m_frame->setGeometry(shape.geometry.toPixels());

    m_messageLabel = makeLabel("Label1", this);
    m_tensDigit = makeImage("Image1", this);
    m_unitsDigit = makeImage("Image2", this);
    m_unitLabel = makeLabel("Label2", this);
    m_countTimer = makeTimer("Timer1", clock, this);
    m_closeTimer = makeTimer("Timer2", clock, this);
}

QFont NoticeWindow::labelFont()
{
    QFont font;
    // KaiTi, the brush-like face of the notice, then its usual Linux stand-ins, then any CJK face.
    font.setFamilies({QStringLiteral("楷体_GB2312"), QStringLiteral("KaiTi"),
                      QStringLiteral("AR PL UKai CN"), QStringLiteral("AR PL UKai TW"),
                      QStringLiteral("Noto Serif CJK SC"), QStringLiteral("Noto Sans CJK SC"),
                      QStringLiteral("WenQuanYi Micro Hei"), QStringLiteral("WenQuanYi Zen Hei")});
    font.setPointSize(Layout::NoticeFontPointSize);
    font.setBold(true);
    return font;
}

void NoticeWindow::showClosingMessage(const QString &message)
{
    m_tensDigit->hide();
    m_unitsDigit->hide();
    m_unitLabel->hide();
    QFont font = labelFont();
    const int room = m_messageLabel->contentsRect().width();
    while (font.pointSize() > 8 && QFontMetrics(font).horizontalAdvance(message) > room)
        font.setPointSize(font.pointSize() - 1);
    m_messageLabel->setFont(font);
    m_messageLabel->setText(message);
}

void NoticeWindow::showSeconds(int seconds, const PictureClip &strip)
{
    showTwoDigits(seconds, m_tensDigit, m_unitsDigit, strip);
}

void NoticeWindow::stretchDigits()
{
    const QSize digit = Layout::NoticeDigitSize.toPixels().size();
    for (PictureBox *image : {m_tensDigit, m_unitsDigit}) {
        image->setStretch(true);
        image->resize(digit);
    }
}
