#include "application.h"

#include "barpicture.h"
#include "form2.h"
#include "form3.h"
#include "glyphstrip.h"
#include "monotonicclock.h"
#include "pictureclip.h"
#include "qtcommondialog.h"
#include "qtmessagebox.h"
#include "qtsoundplayer.h"
#include "qtwindowops.h"
#include "runningbar.h"
#include "startoptions.h"
#include "talkoptions.h"

#include <QGuiApplication>

struct Application::Parts
{
    MonotonicClock clock;
    QtWindowOps windows;
    QtMessageBox messages;
    QtCommonDialog fileDialog;
    QtSoundPlayer sound;
    // One glyph strip for both windows, painted for the screen's pixel density.
    PictureClip strip{GlyphStrip::render(qApp->devicePixelRatio()), 1, GlyphStrip::Columns};
    Form2 *bar = nullptr;
    Form3 notice{{clock, windows, sound, strip},
                 {[this] { return bar->reminderText(); }, [this] { return bar->soundPath(); }}};
    Form2 barWindow{
        {clock, windows, messages, fileDialog, strip, BarPicture::render(qApp->devicePixelRatio())},
        notice};
    RunningBar remote{barWindow, windows};
};

Application::Application(const TalkOptions &options)
    : m_parts(std::make_unique<Parts>())
{
    m_parts->bar = &m_parts->barWindow;
    QObject::connect(&m_parts->barWindow, &Form2::exited, qApp, &QCoreApplication::quit,
                     Qt::QueuedConnection);
    // Start-up has refused a typed screen that is not there; one from the options file is
    // waited for.
    if (options.screen)
        m_parts->windows.awaitScreen(*options.screen);
    m_parts->barWindow.load();
    StartOptions::apply(m_parts->barWindow, options);
}

Application::~Application() = default;

Form2 &Application::bar()
{
    return m_parts->barWindow;
}

Form3 &Application::notice()
{
    return m_parts->notice;
}

const Clock &Application::clock() const
{
    return m_parts->clock;
}

BarCommands &Application::commands()
{
    return m_parts->remote;
}
