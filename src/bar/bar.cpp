#include "bar.h"

#include "barmenu.h"
#include "barplacement.h"
#include "barsurface.h"
#include "glyphstrip.h"
#include "layout.h"
#include "metronometimer.h"
#include "noticehandle.h"
#include "picturebox.h"
#include "pictureclip.h"
#include "settingspanel.h"
#include "shapeframe.h"
#include "showfollowing.h"
#include "titlebar.h"
#include "windowops.h"

#include <QCoreApplication>
#include <QDir>
#include <QPainter>

#include <memory>
#include <utility>

QString Bar::title()
{
    return tr("演讲倒计时");
}

Bar::Bar(const Services &services, NoticeHandle &notice, QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint)
    , m_services(services)
    , m_notice(notice)
    , m_digits(services.strip)
{
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(QString());

    m_surface = new BarSurface(m_services.picture, this);
    m_surface->setObjectName(QStringLiteral("surface"));
    connect(m_surface, &BarSurface::menuRequested, this, &Bar::showMenu);

    m_titleBar = new TitleBar(this);
    m_titleBar->hide();
    connect(m_titleBar, &TitleBar::closeClicked, this, &Bar::exitBar);
    m_placement = std::make_unique<BarPlacement>(*this, *m_titleBar, *m_surface, m_services.windows,
                                                 Layout::BarClientAsLaidOut.height);
    connect(m_titleBar, &TitleBar::dragged, this,
            [this](const QPoint &topLeft) { m_placement->moveOnScreen(topLeft); });

    const Layout::Control &shape = Layout::barControl("Shape1");
    m_digitFrame =
        new ShapeFrame(QColor(QRgb(Layout::BarFrameColor)), Layout::BarFrameWidth, m_surface);
    m_digitFrame->setObjectName(QStringLiteral("Shape1"));
    m_digitFrame->setGeometry(shape.geometry.toPixels());

    // Left to right: mm:ss.
    PictureBox **images[] = {&m_minutesTens, &m_minutesUnits, &m_colon, &m_secondsTens,
                             &m_secondsUnits};
    for (PictureBox **image : images) {
        const int index = int(image - images[0]) + 1;
        const QByteArray name = "Image" + QByteArray::number(index);
        *image = new PictureBox(m_surface);
        (*image)->setObjectName(QLatin1String(name));
        (*image)->setGeometry(Layout::barControl(name.constData()).geometry.toPixels());
    }
    m_digits.setBoxes({m_minutesTens, m_minutesUnits, m_secondsTens, m_secondsUnits}, m_colon);

    m_panel = new SettingsPanel(m_surface, m_services.fileDialog, m_services.messages,
                                defaultSoundPath());
    connect(m_panel, &SettingsPanel::okClicked, this, &Bar::applySettings);
    connect(m_panel, &SettingsPanel::cancelClicked, this, &Bar::cancelSettings);
    connect(m_panel, &SettingsPanel::dialogClosed, this,
            [this] { m_services.windows.dialogClosed(this); });
    connect(m_panel, &SettingsPanel::valuesChanged, this, &Bar::tellNotice);
    // A click into the open panel takes the keyboard back, e.g. after the user clicked into
    // the slide show meanwhile.
    m_surface->installEventFilter(this);
    for (QWidget *control : m_surface->findChildren<QWidget *>())
        control->installEventFilter(this);

    m_menu = new BarMenu(this);
    connect(m_menu, &BarMenu::startChosen, this, &Bar::start);
    connect(m_menu, &BarMenu::pauseChosen, this, &Bar::pauseOrContinue);
    connect(m_menu, &BarMenu::settingsChosen, this, &Bar::openSettings);
    connect(m_menu, &BarMenu::exitChosen, this, &Bar::exitBar);

    m_tickTimer = new MetronomeTimer(m_services.clock, this);
    m_tickTimer->setObjectName(QStringLiteral("Timer1"));
    m_tickTimer->setInterval(Countdown::TickMs);
    connect(m_tickTimer, &MetronomeTimer::timeout, this, &Bar::tick);

    m_placement->relayout(QPoint(0, 0));
    tellNotice();
}

Bar::~Bar() = default;

bool Bar::isPanelOpen() const
{
    return m_placement->heightTwips() == Layout::BarExpandedHeight;
}

bool Bar::isTicking() const
{
    return m_tickTimer->isEnabled();
}

bool Bar::hasBorder() const
{
    return m_placement->bordered();
}

QString Bar::defaultSoundPath()
{
    // Joined as plain text: a program in the root folder gives two separators in a row.
    return QCoreApplication::applicationDirPath() + QDir::separator() + QStringLiteral("blip.wav");
}

QWidget *Bar::surface() const
{
    return m_surface;
}

void Bar::load()
{
    const QRect screen = m_services.windows.screenGeometry();
    m_placement->setHeightTwips(Layout::BarCollapsedHeight);
    m_placement->relayout(QPoint(screen.right(), screen.top()));
    m_services.windows.showTopmost(this, geometry());
    m_services.windows.keepOnTop(this);
    m_services.windows.watchScreen(this, [this](const QRect &before, const QRect &after) {
        m_placement->followScreen(before, after);
    });

    for (PictureBox *digit : {m_minutesTens, m_minutesUnits, m_secondsTens, m_secondsUnits})
        digit->setPicture(m_services.strip.cell(0));
    m_colon->setPicture(m_services.strip.cell(GlyphStrip::ColonCell));

    m_countdown.setPreset(0, 0);

    m_panel->fillLists();
    m_panel->showDefaults();
    setWindowTitle(title());
    m_titleBar->setTitle(title());

    SettingsPanel::Values values = m_panel->values();
    values.soundPath = defaultSoundPath();
    m_panel->setValues(values);
    followRunState();
}

// The tick timer runs exactly while the countdown does, and the pause item offers what the
// run state says comes next.
void Bar::followRunState()
{
    m_tickTimer->setEnabled(m_run.isRunning());
    m_menu->setOffersContinue(m_run.offersContinue());
    emit runStateChanged();
}

void Bar::start()
{
    m_run.start();
    // A new schedule even when the countdown ran: the first tick comes a full second later.
    m_tickTimer->restart();
    followRunState();
    m_countdown.loadPreset();
    m_notice.unload();
}

void Bar::pauseOrContinue()
{
    m_run.pauseOrContinue();
    followRunState();
}

RunState::Toggled Bar::toggle()
{
    if (m_run.state() == RunState::State::Stopped) {
        start();
        return RunState::Toggled::Started;
    }
    const RunState::Toggled toggled = m_run.toggle();
    followRunState();
    return toggled;
}

void Bar::exitBar()
{
    // The program is gone for the user, so its notice goes too, and the keyboard goes back
    // if the panel had it.
    m_notice.unload();
    m_tickTimer->setEnabled(false);
    m_services.windows.returnKeyboard(this);
    close();
    emit exited();
}

void Bar::tick()
{
    // The notice counts from when this tick was due, so after a stall it catches up with the
    // bar instead of running behind it.
    const qint64 due = m_tickTimer->lastDue();
    const Countdown::TickResult result = m_countdown.tick(m_panel->noReminder());
    if (result.timeUp) {
        // Overtime runs on until Start, OK or Pause stops it.
        if (!m_countdown.isOver()) {
            m_run.timeUp();
            followRunState();
        }
        // The notice never outlasts the bar's count: at time-up it says thanks.
        if (result.openClosingMessage)
            m_notice.openClosingMessage(due);
        else
            m_notice.finish(due, result.closingMessageOwed);
    }
    if (result.openNotice)
        m_notice.open(m_countdown.totalSecondsLeft(), due);
    m_digits.draw(m_countdown.minutesLeft(), m_countdown.secondsLeft());
}

void Bar::tellNotice()
{
    const SettingsPanel::Values values = m_panel->values();
    m_notice.setDetails(values.reminder.value_or(0), values.soundPath);
}

void Bar::setBehaviour(const TalkBehaviour &behaviour)
{
    m_behaviour = behaviour;
    m_countdown.setAtZero(behaviour.atZero);
    if (behaviour.adjust && !m_menu->hasMinuteItems()) {
        m_menu->addMinuteItems();
        connect(m_menu, &BarMenu::addMinuteChosen, this, &Bar::addMinute);
        connect(m_menu, &BarMenu::removeMinuteChosen, this, &Bar::removeMinute);
    }
    if (behaviour.colours() || m_digits.hasColours())
        m_digits.setStages(behaviour.stages);
    if (behaviour.colours() && !std::exchange(m_coloursFollowed, true)) {
        // Runs after tick(), and only with colours, so a plain tick costs what it always did.
        connect(m_tickTimer, &MetronomeTimer::timeout, this,
                [this] { m_digits.follow(m_countdown); });
    }
}

bool Bar::canFollowShow() const
{
    return m_services.windows.seesShows();
}

void Bar::setFollowShow(bool follow)
{
    if (follow == followsShow() || (follow && !canFollowShow()))
        return;
    m_showFollowing =
        follow ? std::make_unique<ShowFollowing>(*this, m_services.clock, m_services.windows)
               : nullptr;
}

void Bar::addMinute()
{
    m_countdown.addMinute();
    // The notice's count no longer fits the time left; it opens again at the reminder point.
    m_notice.unload();
    showAdjusted();
}

void Bar::removeMinute()
{
    m_countdown.removeMinute();
    m_notice.follow(m_countdown.totalSecondsLeft());
    showAdjusted();
}

void Bar::showAdjusted()
{
    // Landing at or below the reminder point reaches it as a tick would, in step with the
    // ticks; a paused bar reminds on its next tick.
    if (m_run.isRunning() && m_countdown.takeReminder(m_panel->noReminder()))
        m_notice.open(m_countdown.totalSecondsLeft(), m_tickTimer->lastDue());
    m_digits.drawCountdown(m_countdown);
}

void Bar::showMenu(const QPoint &globalPos)
{
    m_menu->popup(globalPos);
}

bool Bar::eventFilter(QObject *, QEvent *event)
{
    if (event->type() == QEvent::MouseButtonPress && isPanelOpen() && isVisible()
        && !isActiveWindow())
        m_services.windows.lendKeyboard(this);
    return false;
}

void Bar::setBorder(bool bordered)
{
    setWindowTitle(bordered ? title() : QString());
    m_placement->setBordered(bordered);
}

void Bar::paintEvent(QPaintEvent *)
{
    if (!m_placement->bordered())
        return;
    QPainter painter(this);
    painter.setPen(palette().color(QPalette::Shadow));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}
