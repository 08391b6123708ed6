#include "application.h"

#include "bar.h"
#include "barpicture.h"
#include "glyphstrip.h"
#include "monotonicclock.h"
#include "notice.h"
#include "pictureclip.h"
#include "qtfiledialog.h"
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
    QtFileDialog fileDialog;
    QtSoundPlayer sound;
    // One glyph strip for both windows, painted for the screen's pixel density.
    PictureClip strip{GlyphStrip::render(qApp->devicePixelRatio()), 1, GlyphStrip::Columns};
    Notice notice{{clock, windows, sound, strip}};
    Bar barWindow{
        {clock, windows, messages, fileDialog, strip, BarPicture::render(qApp->devicePixelRatio())},
        notice};
    RunningBar remote{barWindow, windows};
};

Application::Application(const TalkOptions &options)
    : m_parts(std::make_unique<Parts>())
{
    QObject::connect(&m_parts->barWindow, &Bar::exited, qApp, &QCoreApplication::quit,
                     Qt::QueuedConnection);
    // Start-up has refused a typed screen that is not there; one from the options file is
    // waited for.
    if (options.screen)
        m_parts->windows.awaitScreen(*options.screen);
    m_parts->barWindow.load();
    StartOptions::apply(m_parts->barWindow, options);
}

Application::~Application() = default;

Bar &Application::bar()
{
    return m_parts->barWindow;
}

Notice &Application::notice()
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
