#pragma once

#include <QWidget>

class Clock;
class MetronomeTimer;
class PictureBox;
class PictureClip;
class QLabel;
class ShapeFrame;

// The on-screen notice window with its controls as laid out, made afresh at every load.
class NoticeWindow : public QWidget
{
    Q_OBJECT

public:
    explicit NoticeWindow(Clock &clock, QWidget *parent = nullptr);

    static QFont labelFont();

    // Puts the closing message alone in the message label. At the layout's 24 points it is wider
    // than the label and would lose its last character, so the font steps down until it fits.
    void showClosingMessage(const QString &message);
    // The seconds left in the two digits, cut from `strip`.
    void showSeconds(int seconds, const PictureClip &strip);
    // The digits fill the notice's digit size, their cells stretched to it.
    void stretchDigits();

    MetronomeTimer *countTimer() const { return m_countTimer; } // Timer1: the seconds
    MetronomeTimer *closeTimer() const { return m_closeTimer; } // Timer2: the closing message

private:
    // The layout's names live on as objectName: Shape1, Label1, Image1, Image2, Label2,
    // Timer1, Timer2.
    ShapeFrame *m_frame = nullptr;
    QLabel *m_messageLabel = nullptr; // "剩余", later the closing message
    PictureBox *m_tensDigit = nullptr;
    PictureBox *m_unitsDigit = nullptr;
    QLabel *m_unitLabel = nullptr; // "秒"
    MetronomeTimer *m_countTimer = nullptr;
    MetronomeTimer *m_closeTimer = nullptr;
};
