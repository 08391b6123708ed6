#include "picturebox.h"

PictureBox::PictureBox(QWidget *parent)
    : QLabel(parent)
{
    setAttribute(Qt::WA_NoMousePropagation);
    setContextMenuPolicy(Qt::PreventContextMenu);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
}

void PictureBox::setPicture(const QPixmap &picture)
{
    m_picture = picture;
    setPixmap(picture);
    if (!m_stretch && !picture.isNull())
        resize(picture.deviceIndependentSize().toSize());
    updateOpacity();
}

void PictureBox::setStretch(bool on)
{
    m_stretch = on;
    setScaledContents(on);
    updateOpacity();
}

void PictureBox::resizeEvent(QResizeEvent *event)
{
    QLabel::resizeEvent(event);
    updateOpacity();
}

// An opaque picture that fills the box hides whatever lies behind it, so the parent need not
// paint its background there first: the bar's digits change every second, and Qt spreads a
// background drawn under all five of them over helper threads, waking them each time.
void PictureBox::updateOpacity()
{
    const bool fills = m_stretch || size() == m_picture.deviceIndependentSize().toSize();
    setAttribute(Qt::WA_OpaquePaintEvent,
                 !m_picture.isNull() && !m_picture.hasAlphaChannel() && fills);
}
