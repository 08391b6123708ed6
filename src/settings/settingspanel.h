#pragma once

#include <QObject>
#include <QString>

#include <memory>
#include <optional>

class FileDialog;
class MessageBox;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QWidget;
class SoundChooser;

// The settings controls in the lower part of the bar. They are children of the bar's own
// surface; OK and Cancel are the bar's business and are only announced here. The controls
// are the panel's own; the bar and start-up read and set their values. Each control keeps its
// name from the window's layout as its objectName.
class SettingsPanel : public QObject
{
    Q_OBJECT

public:
    SettingsPanel(QWidget *surface, FileDialog &dialog, MessageBox &messages,
                  const QString &defaultSoundPath);
    ~SettingsPanel() override;

    // What the lists show until the user picks: a six-minute talk with a reminder 30 s before
    // its end, the length of a short talk and a point that leaves time to wrap up.
    static constexpr int DefaultMinutes = 6;
    static constexpr int DefaultSeconds = 0;
    static constexpr int DefaultReminder = 30;

    // What the panel shows. A list with nothing picked in it holds no number; setting a
    // number a list does not offer leaves nothing picked there.
    struct Values
    {
        std::optional<int> minutes;
        std::optional<int> seconds;
        std::optional<int> reminder; // seconds before the end; 0 means no reminder
        bool noReminder = false;
        bool borderless = false;
        QString soundPath;
    };
    Values values() const;
    // The no-reminder box alone, as the countdown reads it on every tick.
    bool noReminder() const;
    void setValues(const Values &values);

    void fillLists();    // "0".."59" in all three lists
    void showDefaults(); // the defaults above
    // Talks longer than an hour, given on the command line: the minutes list goes on to `last`.
    void offerMinutesUpTo(int last);

signals:
    void okClicked();
    void cancelClicked();
    void dialogClosed(); // a dialog the panel opened has closed
    // Any value changed, by the user or through setValues().
    void valuesChanged();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void reminderPicked(int index);

    QWidget *m_surface;
    QComboBox *m_minutesList = nullptr;    // Combo1
    QComboBox *m_secondsList = nullptr;    // Combo2
    QComboBox *m_reminderList = nullptr;   // Combo3
    QCheckBox *m_noReminderBox = nullptr;  // Check1
    QLineEdit *m_soundPathBox = nullptr;   // Text1
    QPushButton *m_browseButton = nullptr; // Command1, "..."
    QPushButton *m_okButton = nullptr;     // Command2
    QPushButton *m_cancelButton = nullptr; // Command3
    QCheckBox *m_borderlessBox = nullptr;  // Check2
    std::unique_ptr<SoundChooser> m_chooser;
};
