#pragma once

#include <QMenu>

class QAction;

// The bar's popup menu: Start, Pause/Continue, Settings, Exit. The caption of the pause item
// is the only record of a pause.
class BarMenu : public QMenu
{
    Q_OBJECT

public:
    static const QString PauseCaption;
    static const QString ContinueCaption;

    explicit BarMenu(QWidget *parent = nullptr);

    QAction *qidong = nullptr;
    QAction *resum = nullptr;
    QAction *sp = nullptr;
    QAction *sz = nullptr;
    QAction *exit = nullptr;
};
