#pragma once

#include <QLabel>

// A picture box: shows a picture at its own size, or scaled into the box when stretched.
// It keeps its mouse clicks, so a click on a digit never reaches the window behind it.
class PictureBox : public QLabel
{
    Q_OBJECT

public:
    explicit PictureBox(QWidget *parent = nullptr);

    void setPicture(const QPixmap &picture);
    QPixmap picture() const { return m_picture; }

    bool stretch() const { return m_stretch; }
    void setStretch(bool on);

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void updateOpacity();

    QPixmap m_picture;
    bool m_stretch = false;
};
