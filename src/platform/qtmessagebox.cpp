#include "qtmessagebox.h"

#include "dialogplacement.h"

#include <QMessageBox>

void QtMessageBox::warning(QWidget *parent, const QString &title, const QString &text)
{
    QMessageBox box(QMessageBox::Warning, title, text, QMessageBox::Ok, parent);
    box.setObjectName(QStringLiteral("warningBox"));
    // Above the slide show; beside the bar, which stays above everything.
    box.setWindowFlag(Qt::WindowStaysOnTopHint);
    new DialogPlacement(&box, parent);
    box.exec();
}
