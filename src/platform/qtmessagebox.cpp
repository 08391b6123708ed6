#include "qtmessagebox.h"

#include <QMessageBox>

void QtMessageBox::warning(QWidget *parent, const QString &title, const QString &text)
{
    QMessageBox box(QMessageBox::Warning, title, text, QMessageBox::Ok, parent);
    // The bar stays above everything; its warnings must not open behind it.
    box.setWindowFlag(Qt::WindowStaysOnTopHint);
    box.exec();
}
