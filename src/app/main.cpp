#include "laterstart.h"

#include <QFileInfo>

#include <dlfcn.h>

namespace {

// The bar and everything with a window live in a module of their own beside the program, so a
// later start that only hands a request to the running bar never loads the GUI libraries.
const char *const BarModule = "talk-countdown-bar.so";
const char *const BarEntry = "talk_countdown_bar_main";

int runBar(int argc, char *argv[], const LaterStart::Checked &checked)
{
    const QString path = QFileInfo(QStringLiteral("/proc/self/exe")).canonicalPath() + u'/'
                         + QLatin1String(BarModule);
    void *module = dlopen(QFile::encodeName(path).constData(), RTLD_NOW | RTLD_LOCAL);
    auto *entry = module ? reinterpret_cast<int (*)(int, char **, const LaterStart::Checked *)>(
                      dlsym(module, BarEntry))
                         : nullptr;
    if (!entry) {
        LaterStart::printLine(stderr, QStringLiteral("talk-countdown: cannot load the bar from "
                                                     "%1 (%2); reinstall the program")
                                          .arg(path, QString::fromLocal8Bit(dlerror())));
        return 1;
    }
    return entry(argc, argv, &checked);
}

} // namespace

int main(int argc, char *argv[])
{
    const LaterStart::Checked checked = LaterStart::check(LaterStart::arguments(argc, argv));
    if (checked.exitCode)
        return *checked.exitCode;
    if (const std::optional<int> status = LaterStart::askRunningBar(argc, argv, checked))
        return *status;
    return runBar(argc, argv, checked);
}
