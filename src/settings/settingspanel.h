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
// surface; OK and Cancel are the bar's business and are only announced here.
class SettingsPanel : public QObject
{
    Q_OBJECT

public:
    SettingsPanel(QWidget *surface, CommonDialog &dialog, MessageBox &messages,
                  const QString &defaultSoundPath);
    ~SettingsPanel() override;

    void fillLists();    // "0".."59" in all three lists
    void showDefaults(); // 6 minutes, 0 seconds, reminder 30

    // A check box as a number: 0 unchecked, 1 checked, 2 greyed.
    static int value(const QCheckBox *box);

    QLabel *Label1 = nullptr;
    QComboBox *Combo1 = nullptr;
    QLabel *Label2 = nullptr;
    QComboBox *Combo2 = nullptr;
    QLabel *Label3 = nullptr;
    QLabel *Label4 = nullptr;
    QComboBox *Combo3 = nullptr;
    QLabel *Label5 = nullptr;
    QCheckBox *Check1 = nullptr;
    QLabel *Label6 = nullptr;
    QLineEdit *Text1 = nullptr;
    QPushButton *Command1 = nullptr;
    QPushButton *Command2 = nullptr;
    QPushButton *Command3 = nullptr;
    QCheckBox *Check2 = nullptr;

signals:
    void okClicked();
    void cancelClicked();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void reminderPicked(int index);

    QWidget *m_surface;
    std::unique_ptr<SoundChooser> m_chooser;
};
