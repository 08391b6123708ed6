#pragma once

#include <QString>

class QWidget;

// A file-open dialog component: set its title and filter, show it, read the chosen name.
// The name stays in the component between uses; a cancelled dialog leaves it as it was.
class CommonDialog
{
public:
    virtual ~CommonDialog() = default;

    QString DialogTitle() const { return m_title; }
    void setDialogTitle(const QString &title) { m_title = title; }

    // Pairs of description and pattern separated by '|': "Sounds (*.wav)|*.wav".
    QString Filter() const { return m_filter; }
    void setFilter(const QString &filter) { m_filter = filter; }

    QString FileName() const { return m_fileName; }

    // Where the dialog opens while no file has been chosen with it yet.
    QString InitialFile() const { return m_initialFile; }
    void setInitialFile(const QString &path) { m_initialFile = path; }

    // Modal; returns when the user has closed the dialog.
    virtual void ShowOpen(QWidget *parent) = 0;

protected:
    void setFileName(const QString &name) { m_fileName = name; }

private:
    QString m_title;
    QString m_filter;
    QString m_fileName;
    QString m_initialFile;
};
