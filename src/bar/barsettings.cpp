// The bar's settings panel: opening it, its OK and Cancel, and the settings OK stores.
#include "applydecision.h"
#include "bar.h"
#include "barplacement.h"
#include "layout.h"
#include "messagebox.h"
#include "noticehandle.h"
#include "settingspanel.h"
#include "windowops.h"

void Bar::openSettings()
{
    m_placement->setHeightTwips(Layout::BarExpandedHeight);
    // The bar never takes the keyboard on its own; the open panel is the one exception,
    // so its lists and buttons can be worked from the keyboard. Closing it gives the
    // keyboard back to the slide show.
    if (isVisible())
        m_services.windows.lendKeyboard(this);
}

void Bar::cancelSettings()
{
    // The keyboard first: a window manager that took the bar in to give it the keyboard must
    // have let go of it before it shrinks, or it may answer with the old size.
    m_services.windows.returnKeyboard(this);
    m_placement->setHeightTwips(Layout::BarCollapsedHeight);
}

void Bar::applySettings()
{
    SettingsPanel::Values values = m_panel->values();
    const ApplyDecision d = ApplyDecision::decide(values.minutes, values.seconds, values.reminder);
    if (!d.accepted) {
        m_services.messages.warning(this, tr("计时"), d.message);
        m_services.windows.dialogClosed(this);
        return;
    }
    m_countdown.setPreset(d.presetMinutes, d.presetSeconds);
    if (d.reminderGiven) {
        m_countdown.setReminderSeconds(d.reminderSeconds);
    } else {
        values.noReminder = true;
        m_panel->setValues(values);
    }

    m_digits.drawInColour(m_countdown.presetMinutes(), m_countdown.presetSeconds(), false);
    m_services.windows.returnKeyboard(this); // before the bar shrinks, as on Cancel
    m_placement->setHeightTwips(Layout::BarCollapsedHeight);
    m_run.applied();
    m_settingsApplied = true;
    followRunState();
    m_borderless = values.borderless;
    setBorder(!m_borderless);
    m_notice.unload();
}

Bar::Settings Bar::settings() const
{
    const bool noReminder = m_panel->noReminder();
    if (!m_settingsApplied)
        return {SettingsPanel::DefaultMinutes * 60 + SettingsPanel::DefaultSeconds,
                SettingsPanel::DefaultReminder, noReminder, m_borderless};
    return {m_countdown.presetMinutes() * 60 + m_countdown.presetSeconds(),
            m_countdown.reminderSeconds(), noReminder, m_borderless};
}

void Bar::setBorderless(bool borderless)
{
    SettingsPanel::Values values = m_panel->values();
    values.borderless = borderless;
    m_panel->setValues(values);
    m_borderless = borderless;
    // Before the first OK the bar has no frame; OK gives it one unless the box is ticked.
    if (m_settingsApplied)
        setBorder(!borderless);
}
