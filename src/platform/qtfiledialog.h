#pragma once

#include "filedialog.h"

// Qt's own file dialog, kept on top and placed beside the window that opened it.
class QtFileDialog final : public FileDialog
{
public:
    QString getOpenFileName(QWidget *parent, const QString &caption, const QString &dir,
                            const QString &filter) override;
};
