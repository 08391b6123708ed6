#pragma once

#include <QString>

class QWidget;

// A modal file-open dialog, shaped like QFileDialog::getOpenFileName.
class FileDialog
{
public:
    virtual ~FileDialog() = default;

    // Opens in `dir`; a `dir` that names a file opens in its folder with the file selected.
    // `filter` takes Qt's syntax ("Sounds (*.wav)", entries separated by ";;"). Returns the
    // chosen file, or an empty string when the user cancelled.
    virtual QString getOpenFileName(QWidget *parent, const QString &caption, const QString &dir,
                                    const QString &filter) = 0;
};
