#include "audiolog.h"

#include <QtGlobal>

#include <atomic>
#include <cstdio>
#include <cstring>

namespace {

QtMessageHandler g_previous = nullptr;
std::atomic_bool g_audioReported{false};

void filter(QtMsgType type, const QMessageLogContext &context, const QString &text)
{
    if (type != QtFatalMsg && AudioLog::isAudioMessage(context.category, text)
        && g_audioReported.exchange(true))
        return;
    if (g_previous) {
        g_previous(type, context, text);
        return;
    }
    std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, text)));
}

} // namespace

void AudioLog::install()
{
    QtMessageHandler previous = qInstallMessageHandler(filter);
    if (previous != filter)
        g_previous = previous;
}

bool AudioLog::isAudioMessage(const char *category, const QString &text)
{
    if (category && std::strncmp(category, "qt.multimedia", 13) == 0)
        return true;
    return text.contains(QLatin1String("PulseAudio"), Qt::CaseInsensitive)
           || text.contains(QLatin1String("pa_context"))
           || text.contains(QLatin1String("audio device"), Qt::CaseInsensitive);
}
