#pragma once

#include <QCoreApplication>
#include <QString>

class CommonDialog;
class MessageBox;
class QLineEdit;
class QWidget;

// The "..." button beside the sound path: pick a WAV file, or fall back to the default.
class SoundChooser
{
    Q_DECLARE_TR_FUNCTIONS(SoundChooser)

public:
    static QString dialogTitle();
    static QString filter(); // description|pattern, as CommonDialog takes it

    SoundChooser(CommonDialog &dialog, MessageBox &messages, QLineEdit *path, QString defaultPath);

    void choose(QWidget *parent);

private:
    CommonDialog &m_dialog;
    MessageBox &m_messages;
    QLineEdit *m_path;
    QString m_defaultPath;
};
