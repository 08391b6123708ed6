#pragma once

#include <QLabel>

// A caption label that keeps its own mouse clicks instead of passing them to the window.
class TextLabel : public QLabel
{
    Q_OBJECT

public:
    explicit TextLabel(const QString &text, QWidget *parent = nullptr);
};
