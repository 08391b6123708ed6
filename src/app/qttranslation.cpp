#include "qttranslation.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

#include <cstdio>

namespace QtTranslation {

bool install(QCoreApplication &app)
{
    auto *translator = new QTranslator(&app);
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    if (!translator->load(QStringLiteral("qtbase_zh_CN"), folder)) {
        delete translator;
        std::fprintf(stderr,
                     "talk-countdown: Qt's Chinese translation (qtbase_zh_CN.qm) is not in %s; "
                     "dialogs will show English texts\n",
                     qPrintable(folder));
        return false;
    }
    return QCoreApplication::installTranslator(translator);
}

} // namespace QtTranslation
