#pragma once

#include <QObject>
#include <QPointer>
#include <QRect>

class QWidget;

// Keeps the bar's own dialogs clear of the bar. The bar stays above every window, a modal box
// included, so a dialog centred on it (as Qt and window managers place dialogs) would open
// hidden under it and lock it. The dialog goes beside the bar instead, wholly on the bar's
// screen. Where the keyboard goes once it has closed is WindowOps::dialogClosed().
class DialogPlacement : public QObject
{
    Q_OBJECT

public:
    // Gaps between the dialog and the bar, and the room kept for a window manager's frame
    // while its size is not known (mostly until the dialog is on screen).
    static constexpr int Gap = 8;
    static constexpr QMargins FrameAllowance{8, 32, 8, 8};
    // How long after the dialog is first on screen its real frame is looked at: window
    // managers frame it and report the frame's size right after mapping it.
    static constexpr int FrameSettleMs = 100;

    // Watches `dialog` until it is destroyed; `anchor`'s window is the bar.
    DialogPlacement(QWidget *dialog, QWidget *anchor);
    ~DialogPlacement() override;

    // Where a frame of `size` goes: left of `anchor`, else below, right or above it, the first
    // that fits wholly on `screen`; failing all, on `screen` as near the left side as it fits.
    static QRect besideRect(const QRect &anchor, const QSize &size, const QRect &screen);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void place();
    void correctForFrame();
    void placeInside(const QRect &spot, const QMargins &frame);

    QWidget *m_dialog;
    QPointer<QWidget> m_anchor;
    bool m_frameChecked = false;
};
