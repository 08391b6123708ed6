#include "application.h"
#include "audiolog.h"
#include "commandline.h"
#include "qttranslation.h"
#include "qtwindowops.h"
#include "soundfilecheck.h"

#include <QApplication>
#include <QScreen>

#include <cstdio>

int main(int argc, char *argv[])
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const CommandLine::Outcome outcome =
        CommandLine::check(arguments, [](const char *name) { return qgetenv(name); });
    if (!outcome.proceed) {
        std::fputs(outcome.output.toLocal8Bit().constData(), stdout);
        if (!outcome.error.isEmpty())
            std::fprintf(stderr, "%s\n", outcome.error.toLocal8Bit().constData());
        return outcome.exitCode;
    }
    for (const QString &warning : outcome.warnings)
        std::fprintf(stderr, "%s\n", warning.toLocal8Bit().constData());
    const QString lang = outcome.options.lang.value_or(QString());
    // The same checks as the panel's "..." choice, before any window shows.
    if (outcome.options.soundFile) {
        if (const std::optional<QString> problem =
                SoundFileCheck::problem(*outcome.options.soundFile)) {
            const QString why = QtTranslation::beforeStart(lang, "SoundFileCheck", *problem);
            std::fprintf(stderr, "talk-countdown: --sound %s: %s\n",
                         outcome.options.soundFile->toLocal8Bit().constData(),
                         why.toLocal8Bit().constData());
            return 2;
        }
    }
    // Wayland lets no client keep itself above others; XWayland does.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "xcb");

    AudioLog::install();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("talk-countdown"));
    // No display name: Qt would append it to every window title, and the titles are exact.
    QApplication::setApplicationVersion(QStringLiteral(TC_VERSION));
    QApplication::setDesktopFileName(QStringLiteral("io.github.talk_countdown.TalkCountdown"));
    QApplication::setQuitOnLastWindowClosed(false); // the bar's Exit ends the program

    if (outcome.options.screen && !QtWindowOps::findScreen(*outcome.options.screen)) {
        QStringList screens;
        const QList<QScreen *> all = QGuiApplication::screens();
        for (qsizetype i = 0; i < all.size(); ++i)
            screens << QStringLiteral("%1 (%2)").arg(all.at(i)->name()).arg(i);
        std::fprintf(stderr, "talk-countdown: no screen '%s'; the screens are: %s\n",
                     qPrintable(*outcome.options.screen), qPrintable(screens.join(u", ")));
        return 2;
    }
    QtTranslation::install(app, lang);
    Application talkCountdown(outcome.options);
    return app.exec();
}
