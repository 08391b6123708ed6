#pragma once

#include <QCoreApplication>
#include <QString>

class FileDialog;
class MessageBox;
class QLineEdit;
class QWidget;

// The "..." button beside the sound path: pick a WAV file, or fall back to the default. The
// file last chosen is remembered between uses; a cancelled dialog leaves it as it was.
class SoundChooser
{
    Q_DECLARE_TR_FUNCTIONS(SoundChooser)

public:
    static QString dialogTitle();
    static QString filter(); // in Qt's filter syntax

    SoundChooser(FileDialog &dialog, MessageBox &messages, QLineEdit *path, QString defaultPath);

    void choose(QWidget *parent);

private:
    FileDialog &m_dialog;
    MessageBox &m_messages;
    QLineEdit *m_path;
    QString m_defaultPath;
    QString m_lastChosen;
};
