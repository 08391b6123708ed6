#pragma once

#include <QMenu>

class QAction;

// The bar's popup menu: Start, Pause/Continue, Settings, Exit. The items keep their names
// from the window's layout as objectName. The minute items come only when asked for.
class BarMenu : public QMenu
{
    Q_OBJECT

public:
    static QString pauseCaption();
    static QString continueCaption();
    static QString addMinuteCaption();
    static QString removeMinuteCaption();

    explicit BarMenu(QWidget *parent = nullptr);

    // Adds "a minute more" and "a minute less" after Pause/Continue; once only.
    void addMinuteItems();

    QAction *startAction = nullptr;    // qidong
    QAction *pauseAction = nullptr;    // resum: Pause, or Continue after a pause
    QAction *separator = nullptr;      // sp
    QAction *settingsAction = nullptr; // sz
    QAction *exitAction = nullptr;     // exit
    QAction *addMinuteAction = nullptr;
    QAction *removeMinuteAction = nullptr;
};
