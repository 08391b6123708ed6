#include "noticewindow.h"

#include "countdown.h"
#include "layout.h"
#include "metronometimer.h"
#include "picturebox.h"
#include "shapeframe.h"
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
    frame = new ShapeFrame(QColor(QRgb(Layout::NoticeFrameColor)), Layout::NoticeFrameWidth, this);
    frame->setObjectName(QLatin1String(shape.name));
    frame->setGeometry(shape.geometry.toPixels());

    messageLabel = makeLabel("Label1", this);
    tensDigit = makeImage("Image1", this);
    unitsDigit = makeImage("Image2", this);
    unitLabel = makeLabel("Label2", this);
    countTimer = makeTimer("Timer1", clock, this);
    closeTimer = makeTimer("Timer2", clock, this);
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
    tensDigit->hide();
    unitsDigit->hide();
    unitLabel->hide();
    QFont font = labelFont();
    const int room = messageLabel->contentsRect().width();
    while (font.pointSize() > 8 && QFontMetrics(font).horizontalAdvance(message) > room)
        font.setPointSize(font.pointSize() - 1);
    messageLabel->setFont(font);
    messageLabel->setText(message);
}
