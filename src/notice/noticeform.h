#pragma once

#include <QWidget>

class Clock;
class MetronomeTimer;
class PictureBox;
class QLabel;
class ShapeFrame;

// The on-screen notice window with its controls as laid out, made afresh at every load.
class NoticeForm : public QWidget
{
    Q_OBJECT

public:
    explicit NoticeForm(Clock &clock, QWidget *parent = nullptr);

    static QFont labelFont();

    // Puts the closing message in Label1 alone. At the layout's 24 points it is wider than
    // the label and would lose its last character, so the font steps down until it fits.
    void showClosingMessage(const QString &message);

    ShapeFrame *Shape1 = nullptr;
    QLabel *Label1 = nullptr;
    PictureBox *Image1 = nullptr;
    PictureBox *Image2 = nullptr;
    QLabel *Label2 = nullptr;
    MetronomeTimer *Timer1 = nullptr;
    MetronomeTimer *Timer2 = nullptr;
};
