#include "qtfiledialog.h"

#include "dialogplacement.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

QString QtFileDialog::getOpenFileName(QWidget *parent, const QString &caption, const QString &dir,
                                      const QString &filter)
{
    QFileDialog dialog(parent, caption);
    dialog.setObjectName(QStringLiteral("fileDialog"));
    dialog.setWindowFlag(Qt::WindowStaysOnTopHint);
    new DialogPlacement(&dialog, parent);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setNameFilter(filter);
    const QFileInfo info(QDir::fromNativeSeparators(dir));
    if (info.isDir()) {
        dialog.setDirectory(info.absoluteFilePath());
    } else if (!dir.isEmpty()) {
        dialog.setDirectory(info.absolutePath());
        dialog.selectFile(info.fileName());
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return QDir::toNativeSeparators(dialog.selectedFiles().constFirst());
}
