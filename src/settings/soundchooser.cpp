#include "soundchooser.h"

#include "filedialog.h"
#include "messagebox.h"
#include "soundfilename.h"

#include <QLineEdit>

QString SoundChooser::dialogTitle()
{
    return tr("选择wav文件");
}

QString SoundChooser::filter()
{
    return tr("声音文件(*.wav)");
}

SoundChooser::SoundChooser(FileDialog &dialog, MessageBox &messages, QLineEdit *path,
                           QString defaultPath)
    : m_dialog(dialog)
    , m_messages(messages)
    , m_path(path)
    , m_defaultPath(std::move(defaultPath))
{}

void SoundChooser::choose(QWidget *parent)
{
    // Opens on the file last chosen, at first on the default sound.
    const QString start = m_lastChosen.isEmpty() ? m_defaultPath : m_lastChosen;
    const QString answer = m_dialog.getOpenFileName(parent, dialogTitle(), start, filter());
    if (!answer.isEmpty())
        m_lastChosen = answer;
    // A cancelled dialog takes the file last chosen once more, refused or not; before any
    // choice, the default sound.
    if (m_lastChosen.isEmpty()) {
        m_path->setText(m_defaultPath);
        return;
    }
    if (!SoundFileName::isWav(m_lastChosen)) {
        m_messages.warning(parent, tr("打开文件"), tr("文件格式不正确"));
        return;
    }
    m_path->setText(m_lastChosen);
}
