#include "soundchooser.h"

#include "commondialog.h"
#include "messagebox.h"

#include <QLineEdit>

QString SoundChooser::dialogTitle()
{
    return tr("选择wav文件");
}

QString SoundChooser::filter()
{
    return tr("声音文件(*.wav)") + QLatin1String("|*.wav");
}

SoundChooser::SoundChooser(CommonDialog &dialog, MessageBox &messages, QLineEdit *path,
                           QString defaultPath)
    : m_dialog(dialog)
    , m_messages(messages)
    , m_path(path)
    , m_defaultPath(std::move(defaultPath))
{}

void SoundChooser::choose(QWidget *parent)
{
    m_dialog.setDialogTitle(dialogTitle());
    m_dialog.setFilter(filter());
    m_dialog.setInitialFile(m_defaultPath);
    m_dialog.ShowOpen(parent);
    const QString name = m_dialog.FileName();
    if (name.isEmpty()) {
        m_path->setText(m_defaultPath);
        return;
    }
    // Only the last three characters count, case and all.
    if (!name.endsWith(QLatin1String("wav"), Qt::CaseSensitive)) {
        m_messages.warning(parent, tr("打开文件"), tr("文件格式不正确"));
        return;
    }
    m_path->setText(name);
}
