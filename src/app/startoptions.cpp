#include "startoptions.h"

#include "form2.h"
#include "settingspanel.h"
#include "talkbehaviour.h"
#include "talkoptions.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>

namespace StartOptions {

namespace {

void pick(QComboBox *list, int value)
{
    list->setCurrentIndex(list->findText(QString::number(value)));
}

Countdown::AtZero atZero(TalkOptions::AtZero mode)
{
    switch (mode) {
    case TalkOptions::AtZero::Hold:
        return Countdown::AtZero::Hold;
    case TalkOptions::AtZero::Overtime:
        return Countdown::AtZero::Overtime;
    case TalkOptions::AtZero::Reset:
        break;
    }
    return Countdown::AtZero::Reset;
}

} // namespace

void apply(Form2 &bar, const TalkOptions &options)
{
    // Before the settings, so the length first shows in its stage's colour.
    if (options.atZero || options.stages || options.adjust) {
        TalkBehaviour behaviour;
        behaviour.atZero = atZero(options.atZero.value_or(TalkOptions::AtZero::Reset));
        if (options.stages)
            behaviour.stages = Stages(options.stages->first, options.stages->second);
        behaviour.adjust = options.adjust.value_or(false);
        bar.setBehaviour(behaviour);
    }

    SettingsPanel *panel = bar.panel();
    if (options.soundFile)
        panel->soundPathBox->setText(*options.soundFile);

    const bool settings = options.lengthSeconds || options.reminderSeconds || options.noReminder
                          || options.borderless;
    if (settings) {
        if (options.lengthSeconds) {
            const int minutes = *options.lengthSeconds / 60;
            if (minutes > 59)
                panel->offerMinutesUpTo(99);
            pick(panel->minutesList, minutes);
            pick(panel->secondsList, *options.lengthSeconds % 60);
        }
        const int length = panel->minutesList->currentText().toInt() * 60
                           + panel->secondsList->currentText().toInt();
        // A talk shorter than the panel's reminder has none unless one is asked for; the
        // closing message still comes at the end.
        const int reminder = options.reminderSeconds.value_or(
            options.lengthSeconds && length < PanelReminder ? 0 : PanelReminder);
        pick(panel->reminderList, reminder);
        panel->noReminderBox->setChecked(reminder == 0 || options.noReminder.value_or(false));
        if (options.borderless)
            panel->borderlessBox->setChecked(*options.borderless);
        bar.applySettings();
    }
    if (options.start.value_or(false))
        bar.start();
}

} // namespace StartOptions
