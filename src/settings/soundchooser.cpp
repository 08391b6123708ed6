#include "soundchooser.h"

#include "commondialog.h"
#include "messagebox.h"

#include <QLineEdit>

const QString SoundChooser::DialogTitle = QStringLiteral("选择wav文件");
const QString SoundChooser::Filter = QStringLiteral("声音文件(*.wav)|*.wav");

SoundChooser::SoundChooser(CommonDialog &dialog, MessageBox &messages, QLineEdit *path,
                           QString defaultPath)
    : m_dialog(dialog)
    , m_messages(messages)
    , m_path(path)
    , m_defaultPath(std::move(defaultPath))
{}

void SoundChooser::choose(QWidget *parent)
{
    m_dialog.setDialogTitle(DialogTitle);
    m_dialog.setFilter(Filter);
    m_dialog.setInitialFile(m_defaultPath);
    m_dialog.ShowOpen(parent);
    const QString name = m_dialog.FileName();
    if (name.isEmpty()) {
        m_path->setText(m_defaultPath);
        return;
    }
    // Only the last three characters count, case and all.
    if (!name.endsWith(QLatin1String("wav"), Qt::CaseSensitive)) {
        m_messages.warning(parent, QStringLiteral("打开文件"), QStringLiteral("文件格式不正确"));
        return;
    }
    m_path->setText(name);
}
