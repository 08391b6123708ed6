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

    // The pause item offers Continue after a pause, else Pause.
    void setOffersContinue(bool offersContinue);
    // Adds "a minute more" and "a minute less" after Pause/Continue; once only.
    void addMinuteItems();
    bool hasMinuteItems() const { return m_addMinuteAction != nullptr; }

signals:
    void startChosen();
    void pauseChosen();
    void settingsChosen();
    void exitChosen();
    void addMinuteChosen();
    void removeMinuteChosen();

private:
    QAction *m_startAction = nullptr;    // qidong
    QAction *m_pauseAction = nullptr;    // resum: Pause, or Continue after a pause
    QAction *m_separator = nullptr;      // sp
    QAction *m_settingsAction = nullptr; // sz
    QAction *m_exitAction = nullptr;     // exit
    QAction *m_addMinuteAction = nullptr;
    QAction *m_removeMinuteAction = nullptr;
};
