#include "qtcommondialog.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

QString QtCommonDialog::toQtFilter(const QString &filter)
{
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList entries;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QString description = parts.at(i);
        const QString pattern = parts.at(i + 1);
        // Qt reads the patterns from the last parentheses of an entry.
        if (description.endsWith(QLatin1Char('(') + pattern + QLatin1Char(')')))
            entries << description;
        else
            entries << description + QLatin1String(" (") + pattern + QLatin1Char(')');
    }
    return entries.join(QLatin1String(";;"));
}

void QtCommonDialog::ShowOpen(QWidget *parent)
{
    QFileDialog dialog(parent, DialogTitle());
    dialog.setWindowFlag(Qt::WindowStaysOnTopHint);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setNameFilter(toQtFilter(Filter()));
    if (!FileName().isEmpty())
        dialog.selectFile(FileName());
    if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
        setFileName(QDir::toNativeSeparators(dialog.selectedFiles().constFirst()));
}
