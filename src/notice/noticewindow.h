#pragma once

#include <QWidget>

class Clock;
class MetronomeTimer;
class PictureBox;
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

    // The layout's names live on as objectName: Shape1, Label1, Image1, Image2, Label2,
    // Timer1, Timer2.
    ShapeFrame *frame = nullptr;
    QLabel *messageLabel = nullptr; // "剩余", later the closing message
    PictureBox *tensDigit = nullptr;
    PictureBox *unitsDigit = nullptr;
    QLabel *unitLabel = nullptr; // "秒"
    MetronomeTimer *countTimer = nullptr;
    MetronomeTimer *closeTimer = nullptr;
};
