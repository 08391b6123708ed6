#include "settingspanel.h"

#include "layout.h"
#include "soundchooser.h"
#include "textlabel.h"

#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionButton>

#include <algorithm>
#include <limits>
#include <vector>

namespace {

// A translated caption longer than its check box widens the box to the right, where the panel
// leaves room; the Chinese captions fit their boxes as laid out.
void widenToFit(QCheckBox *box)
{
    QStyleOptionButton option;
    option.initFrom(box);
    const int room =
        box->style()->subElementRect(QStyle::SE_CheckBoxContents, &option, box).width();
    const int needed = box->fontMetrics().horizontalAdvance(box->text());
    if (needed > room)
        box->resize(box->width() + needed - room, box->height());
}

// Between a caption's last letter and the control beside it; the Chinese captions keep more.
constexpr int LabelClearance = 4;

// A translated caption wider than its Chinese one (the English "min") would run into the list
// to its right: the label moves left into the gap before it, as far as the control on its left
// allows. The Chinese captions stay exactly where they are laid out.
void keepClear(TextLabel *label)
{
    const QRect at = label->geometry();
    int right = std::numeric_limits<int>::max(); // nothing to its right
    int left = 0;
    for (const QWidget *other :
         label->parentWidget()->findChildren<QWidget *>(Qt::FindDirectChildrenOnly)) {
        const QRect g = other->geometry();
        if (other == label || g.bottom() < at.top() || g.top() > at.bottom())
            continue; // not on the label's row
        if (g.left() > at.left())
            right = std::min(right, g.left());
        else if (g.right() < at.left())
            left = std::max(left, g.right() + 1);
    }
    const int needed = label->fontMetrics().horizontalAdvance(label->text()) + LabelClearance;
    if (at.left() + needed <= right)
        return;
    const int x = std::max(left + LabelClearance, right - needed);
    label->setGeometry(x, at.top(), std::max(at.width(), needed), at.height());
}

QWidget *make(const Layout::Control &c, QWidget *parent)
{
    const QString caption = Layout::translated(c.caption);
    QWidget *w = nullptr;
    switch (c.kind) {
    case Layout::Kind::Label:
        w = new TextLabel(caption, parent);
        break;
    case Layout::Kind::DropDown: {
        auto *combo = new QComboBox(parent);
        combo->setEditable(false); // a list to pick from, never typed into
        w = combo;
        break;
    }
    case Layout::Kind::CheckBox:
        w = new QCheckBox(caption, parent);
        break;
    case Layout::Kind::TextBox:
        w = new QLineEdit(parent);
        break;
    case Layout::Kind::Button: {
        auto *b = new QPushButton(caption, parent);
        b->setAutoDefault(false);
        w = b;
        break;
    }
    case Layout::Kind::Frame:
    case Layout::Kind::Picture:
        return nullptr; // not on the panel
    }
    w->setObjectName(QLatin1String(c.name));
    w->setGeometry(c.geometry.toPixels());
    if (auto *box = qobject_cast<QCheckBox *>(w))
        widenToFit(box);
    return w;
}

} // namespace

SettingsPanel::SettingsPanel(QWidget *surface, FileDialog &dialog, MessageBox &messages,
                             const QString &defaultSoundPath)
    : QObject(surface)
    , m_surface(surface)
{
    // The layout's tab indexes give the focus chain; labels take no focus.
    std::vector<const Layout::Control *> controls;
    for (const Layout::Control &c : Layout::barSettingsPanel())
        controls.push_back(&c);
    std::ranges::sort(controls, {}, &Layout::Control::tabIndex);
    QWidget *previous = nullptr;
    for (const Layout::Control *c : controls) {
        QWidget *w = make(*c, surface);
        if (!w || w->focusPolicy() == Qt::NoFocus)
            continue;
        if (previous)
            QWidget::setTabOrder(previous, w);
        previous = w;
    }

    const auto find = [surface]<typename W>(W *&member, const char *name) {
        member = surface->findChild<W *>(QLatin1String(name), Qt::FindDirectChildrenOnly);
        Q_ASSERT(member);
    };
    for (const Layout::Control &c : Layout::barSettingsPanel()) {
        if (c.kind == Layout::Kind::Label
            && Layout::translated(c.caption) != QString::fromUtf8(c.caption))
            keepClear(
                surface->findChild<TextLabel *>(QLatin1String(c.name), Qt::FindDirectChildrenOnly));
    }
    find(m_minutesList, "Combo1");
    find(m_secondsList, "Combo2");
    find(m_reminderList, "Combo3");
    find(m_noReminderBox, "Check1");
    find(m_soundPathBox, "Text1");
    find(m_browseButton, "Command1");
    find(m_okButton, "Command2");
    find(m_cancelButton, "Command3");
    find(m_borderlessBox, "Check2");

    for (QPushButton *b : {m_browseButton, m_okButton, m_cancelButton})
        b->installEventFilter(this);

    m_chooser = std::make_unique<SoundChooser>(dialog, messages, m_soundPathBox, defaultSoundPath);

    connect(m_reminderList, &QComboBox::activated, this, &SettingsPanel::reminderPicked);
    connect(m_browseButton, &QPushButton::clicked, this, [this] {
        m_chooser->choose(m_surface);
        emit dialogClosed();
    });
    connect(m_okButton, &QPushButton::clicked, this, &SettingsPanel::okClicked);
    connect(m_cancelButton, &QPushButton::clicked, this, &SettingsPanel::cancelClicked);

    for (QComboBox *list : {m_minutesList, m_secondsList, m_reminderList})
        connect(list, &QComboBox::currentIndexChanged, this, &SettingsPanel::valuesChanged);
    for (QCheckBox *box : {m_noReminderBox, m_borderlessBox})
        connect(box, &QCheckBox::toggled, this, &SettingsPanel::valuesChanged);
    connect(m_soundPathBox, &QLineEdit::textChanged, this, &SettingsPanel::valuesChanged);
}

SettingsPanel::~SettingsPanel() = default;

void SettingsPanel::fillLists()
{
    for (QComboBox *list : {m_minutesList, m_secondsList, m_reminderList})
        list->clear();
    for (int i = 0; i <= 59; ++i) {
        const QString text = QString::number(i);
        for (QComboBox *list : {m_minutesList, m_secondsList, m_reminderList})
            list->addItem(text);
    }
}

void SettingsPanel::offerMinutesUpTo(int last)
{
    for (int i = m_minutesList->count(); i <= last; ++i)
        m_minutesList->addItem(QString::number(i));
}

void SettingsPanel::showDefaults()
{
    Values v = values();
    v.minutes = DefaultMinutes;
    v.seconds = DefaultSeconds;
    v.reminder = DefaultReminder;
    setValues(v);
}

namespace {

std::optional<int> picked(const QComboBox *list)
{
    if (list->currentIndex() < 0)
        return std::nullopt;
    return list->currentText().toInt();
}

void pick(QComboBox *list, std::optional<int> value)
{
    list->setCurrentIndex(value ? list->findText(QString::number(*value)) : -1);
}

} // namespace

SettingsPanel::Values SettingsPanel::values() const
{
    return {picked(m_minutesList),        picked(m_secondsList),        picked(m_reminderList),
            m_noReminderBox->isChecked(), m_borderlessBox->isChecked(), m_soundPathBox->text()};
}

bool SettingsPanel::noReminder() const
{
    return m_noReminderBox->isChecked();
}

void SettingsPanel::setValues(const Values &values)
{
    pick(m_minutesList, values.minutes);
    pick(m_secondsList, values.seconds);
    pick(m_reminderList, values.reminder);
    m_noReminderBox->setChecked(values.noReminder);
    m_borderlessBox->setChecked(values.borderless);
    m_soundPathBox->setText(values.soundPath);
}

// Return and Enter press a focused button, as Space does: on the desktop this panel was made
// for, every button answers them, not only a dialog's default one.
bool SettingsPanel::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::KeyPress)
        return false;
    const int key = static_cast<QKeyEvent *>(event)->key();
    if (key != Qt::Key_Return && key != Qt::Key_Enter)
        return false;
    static_cast<QPushButton *>(watched)->click();
    return true;
}

void SettingsPanel::reminderPicked(int index)
{
    // "0" means no reminder; picking a real reminder point switches the reminder back on.
    m_noReminderBox->setChecked(m_reminderList->itemText(index) == QLatin1String("0"));
}
