#include "settingspanel.h"

#include "layout.h"
#include "soundchooser.h"
#include "textlabel.h"

#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>

namespace {

template<typename W>
W *place(W *widget, const char *name)
{
    const Layout::Control &c = Layout::barControl(name);
    widget->setObjectName(QLatin1String(name));
    widget->setGeometry(c.geometry.toPixels());
    return widget;
}

QString caption(const char *name)
{
    return QString::fromUtf8(Layout::barControl(name).caption);
}

QLabel *label(const char *name, QWidget *parent)
{
    return place(new TextLabel(caption(name), parent), name);
}

QComboBox *dropDown(const char *name, QWidget *parent)
{
    auto *combo = place(new QComboBox(parent), name);
    combo->setEditable(false); // a list to pick from, never typed into
    return combo;
}

QCheckBox *checkBox(const char *name, QWidget *parent)
{
    return place(new QCheckBox(caption(name), parent), name);
}

QPushButton *button(const char *name, QWidget *parent)
{
    auto *b = place(new QPushButton(caption(name), parent), name);
    b->setAutoDefault(false);
    return b;
}

} // namespace

SettingsPanel::SettingsPanel(QWidget *surface, CommonDialog &dialog, MessageBox &messages,
                             const QString &defaultSoundPath)
    : QObject(surface)
    , m_surface(surface)
{
    // Created in tab order, so the focus chain follows the rows.
    Label1 = label("Label1", surface);
    Combo1 = dropDown("Combo1", surface);
    Label2 = label("Label2", surface);
    Combo2 = dropDown("Combo2", surface);
    Label3 = label("Label3", surface);
    Label4 = label("Label4", surface);
    Combo3 = dropDown("Combo3", surface);
    Label5 = label("Label5", surface);
    Check1 = checkBox("Check1", surface);
    Label6 = label("Label6", surface);
    Text1 = place(new QLineEdit(surface), "Text1");
    Command1 = button("Command1", surface);
    Command2 = button("Command2", surface);
    Command3 = button("Command3", surface);
    Check2 = checkBox("Check2", surface);

    QWidget *chain[] = {Combo1,   Combo2,   Combo3,   Check1, Text1,
                        Command1, Command2, Command3, Check2};
    for (size_t i = 1; i < std::size(chain); ++i)
        QWidget::setTabOrder(chain[i - 1], chain[i]);

    for (QPushButton *b : {Command1, Command2, Command3})
        b->installEventFilter(this);

    m_chooser = std::make_unique<SoundChooser>(dialog, messages, Text1, defaultSoundPath);

    connect(Combo3, &QComboBox::activated, this, &SettingsPanel::reminderPicked);
    connect(Command1, &QPushButton::clicked, this, [this] { m_chooser->choose(m_surface); });
    connect(Command2, &QPushButton::clicked, this, &SettingsPanel::okClicked);
    connect(Command3, &QPushButton::clicked, this, &SettingsPanel::cancelClicked);
}

SettingsPanel::~SettingsPanel() = default;

void SettingsPanel::fillLists()
{
    Combo1->clear();
    Combo2->clear();
    Combo3->clear();
    for (int i = 0; i <= 59; ++i) {
        const QString text = QString::number(i);
        Combo1->addItem(text);
        Combo2->addItem(text);
        Combo3->addItem(text);
    }
}

void SettingsPanel::showDefaults()
{
    Combo1->setCurrentIndex(Combo1->findText(QStringLiteral("6")));
    Combo2->setCurrentIndex(Combo2->findText(QStringLiteral("0")));
    Combo3->setCurrentIndex(Combo3->findText(QStringLiteral("30")));
}

int SettingsPanel::value(const QCheckBox *box)
{
    switch (box->checkState()) {
    case Qt::Unchecked:
        return 0;
    case Qt::Checked:
        return 1;
    case Qt::PartiallyChecked:
        break;
    }
    return 2;
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
    Check1->setChecked(Combo3->itemText(index) == QLatin1String("0"));
}
