#include "qtcommondialog.h"

#include "dialogplacement.h"

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
    dialog.setObjectName(QStringLiteral("fileDialog"));
    dialog.setWindowFlag(Qt::WindowStaysOnTopHint);
    new DialogPlacement(&dialog, parent);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setNameFilter(toQtFilter(Filter()));
    // Open where the last chosen file lies, at first where the initial file does, with it
    // selected.
    const QString start = FileName().isEmpty() ? InitialFile() : FileName();
    if (!start.isEmpty()) {
        const QFileInfo info(QDir::fromNativeSeparators(start));
        dialog.setDirectory(info.absolutePath());
        dialog.selectFile(info.fileName());
    }
    if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
        setFileName(QDir::toNativeSeparators(dialog.selectedFiles().constFirst()));
}
