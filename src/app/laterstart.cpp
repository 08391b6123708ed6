#include "laterstart.h"

#include "optionvalues.h"
#include "singleinstance.h"
#include "soundfilecheck.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDir>

namespace LaterStart {

namespace {

// A connection of its own: the shared session bus made here, before the bar's application,
// would never deliver the calls the bar is to answer.
const QString ProbeConnection = QStringLiteral("talk-countdown-later-start");

} // namespace

void printLine(FILE *stream, const QString &line)
{
    if (!line.isEmpty())
        std::fprintf(stream, "%s\n", line.toLocal8Bit().constData());
}

QStringList arguments(int argc, char *argv[])
{
    QStringList list;
    for (int i = 0; i < argc; ++i)
        list << QString::fromLocal8Bit(argv[i]);
    return list;
}

Checked check(const QStringList &arguments)
{
    Checked checked{
        {}, CommandLine::check(arguments, [](const char *name) { return qgetenv(name); }), {}};
    const CommandLine::Outcome &outcome = checked.outcome;
    if (!outcome.proceed) {
        std::fputs(outcome.output.toLocal8Bit().constData(), stdout);
        printLine(stderr, outcome.error);
        checked.exitCode = outcome.exitCode;
        return checked;
    }
    // The options file's sound has passed these checks already.
    if (outcome.commandLine.soundFile) {
        if (const std::optional<QString> problem =
                SoundFileCheck::problem(*outcome.commandLine.soundFile)) {
            printLine(stderr,
                      QStringLiteral("talk-countdown: --sound '%1': %2")
                          .arg(OptionValues::quoted(*outcome.commandLine.soundFile), *problem));
            checked.exitCode = 2;
            return checked;
        }
    }
    // A running bar reads the arguments itself, from this start's folder.
    if (!outcome.commandLine.isEmpty())
        checked.forward = QStringList{QDir::currentPath()} + arguments.mid(1);
    return checked;
}

std::optional<int> askRunningBar(int argc, char *argv[], const Checked &checked)
{
    std::optional<SingleInstance::Outcome> asked;
    {
        // For the event loop a blocking call runs while it waits.
        QCoreApplication core(argc, argv);
        {
            SingleInstance instance(
                QDBusConnection::connectToBus(QDBusConnection::SessionBus, ProbeConnection),
                qEnvironmentVariable("XDG_RUNTIME_DIR"));
            asked = instance.askRunningBar(checked.forward);
        }
        QDBusConnection::disconnectFromBus(ProbeConnection);
    }
    if (!asked)
        return std::nullopt;
    for (const QString &warning : checked.outcome.warnings)
        printLine(stderr, warning);
    std::fputs(asked->output.toLocal8Bit().constData(), stdout);
    printLine(stderr, asked->error);
    return asked->exitCode;
}

} // namespace LaterStart
