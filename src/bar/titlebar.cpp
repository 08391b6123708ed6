#include "titlebar.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QToolButton>

TitleBar::TitleBar(QWidget *parent)
    : QWidget(parent)
    , m_close(new QToolButton(this))
{
    setObjectName(QStringLiteral("titleBar"));
    setFont(titleFont());
    m_close->setObjectName(QStringLiteral("closeButton"));
    m_close->setText(QStringLiteral("×"));
    m_close->setAutoRaise(true);
    m_close->setFocusPolicy(Qt::NoFocus);
    connect(m_close, &QToolButton::clicked, this, &TitleBar::closeClicked);
}

QFont TitleBar::titleFont()
{
    // The theme's title bar font, as a framed window of this desktop would use.
    return QApplication::font("QMdiSubWindowTitleBar");
}

int TitleBar::preferredHeight()
{
    return QFontMetrics(titleFont()).height() + 6;
}

void TitleBar::setTitle(const QString &title)
{
    m_title = title;
    update();
}

void TitleBar::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const QPalette &pal = palette();
    painter.fillRect(rect(), pal.color(QPalette::Active, QPalette::Highlight));
    painter.setPen(pal.color(QPalette::Active, QPalette::HighlightedText));
    const QRect textRect = rect().adjusted(6, 0, -m_close->width() - 2, 0);
    painter.drawText(textRect, Qt::AlignVCenter | Qt::AlignLeft,
                     fontMetrics().elidedText(m_title, Qt::ElideRight, textRect.width()));
}

void TitleBar::resizeEvent(QResizeEvent *)
{
    const int side = height() - 2;
    m_close->setGeometry(width() - side - 1, 1, side, side);
}

void TitleBar::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton) {
        m_dragging = true;
        m_grabOffset = event->globalPosition().toPoint() - window()->pos();
    }
    event->accept();
}

void TitleBar::mouseMoveEvent(QMouseEvent *event)
{
    if (m_dragging)
        emit dragged(event->globalPosition().toPoint() - m_grabOffset);
    event->accept();
}

void TitleBar::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        m_dragging = false;
    event->accept();
}
