#pragma once

#include <QObject>

#include <memory>

class CommonDialog;
class MessageBox;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QWidget;
class SoundChooser;

// The settings controls in the lower part of the bar. They are children of the bar's own
// surface; OK and Cancel are the bar's business and are only announced here. Each control
// keeps its name from the window's layout as its objectName.
class SettingsPanel : public QObject
{
    Q_OBJECT

public:
    SettingsPanel(QWidget *surface, CommonDialog &dialog, MessageBox &messages,
                  const QString &defaultSoundPath);
    ~SettingsPanel() override;

    // What the lists show until the user picks: a six-minute talk with a reminder 30 s before
    // its end, the length of a short talk and a point that leaves time to wrap up.
    static constexpr int DefaultMinutes = 6;
    static constexpr int DefaultSeconds = 0;
    static constexpr int DefaultReminder = 30;

    void fillLists();    // "0".."59" in all three lists
    void showDefaults(); // the defaults above
    // Shows `value` in `list` (one of the three lists above).
    static void pick(QComboBox *list, int value);
    // Talks longer than an hour, given on the command line: the minutes list goes on to `last`.
    void offerMinutesUpTo(int last);

    QComboBox *minutesList = nullptr;    // Combo1
    QComboBox *secondsList = nullptr;    // Combo2
    QComboBox *reminderList = nullptr;   // Combo3
    QCheckBox *noReminderBox = nullptr;  // Check1
    QLineEdit *soundPathBox = nullptr;   // Text1
    QPushButton *browseButton = nullptr; // Command1, "..."
    QPushButton *okButton = nullptr;     // Command2
    QPushButton *cancelButton = nullptr; // Command3
    QCheckBox *borderlessBox = nullptr;  // Check2

signals:
    void okClicked();
    void cancelClicked();
    void dialogClosed(); // a dialog the panel opened has closed

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void reminderPicked(int index);

    QWidget *m_surface;
    std::unique_ptr<SoundChooser> m_chooser;
};
