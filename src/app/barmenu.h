#pragma once

#include <QMenu>

class QAction;

// The bar's popup menu: Start, Pause/Continue, Settings, Exit. The items keep their names
// from the window's layout as objectName.
class BarMenu : public QMenu
{
    Q_OBJECT

public:
    static QString pauseCaption();
    static QString continueCaption();

    explicit BarMenu(QWidget *parent = nullptr);

    QAction *startAction = nullptr;    // qidong
    QAction *pauseAction = nullptr;    // resum: Pause, or Continue after a pause
    QAction *separator = nullptr;      // sp
    QAction *settingsAction = nullptr; // sz
    QAction *exitAction = nullptr;     // exit
};
