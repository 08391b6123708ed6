#pragma once

#include "messagebox.h"

class QtMessageBox final : public MessageBox
{
public:
    void warning(QWidget *parent, const QString &title, const QString &text) override;
};
