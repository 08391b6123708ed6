#pragma once

#include <QString>

class QWidget;

// Modal warnings with one OK button. Behind an interface so tests never sit in a modal loop.
class MessageBox
{
public:
    virtual ~MessageBox() = default;
    virtual void warning(QWidget *parent, const QString &title, const QString &text) = 0;
};
