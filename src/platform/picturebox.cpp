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
}

void PictureBox::setStretch(bool on)
{
    m_stretch = on;
    setScaledContents(on);
}
