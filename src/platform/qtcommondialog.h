#pragma once

#include "commondialog.h"

class QtCommonDialog final : public CommonDialog
{
public:
    void ShowOpen(QWidget *parent) override;

    // "desc|pattern|desc|pattern" -> the ";;"-separated form Qt's file dialog takes.
    static QString toQtFilter(const QString &filter);
};
