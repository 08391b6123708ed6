#include "qttranslation.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

#include <cstdio>

namespace QtTranslation {

namespace {

// Built into the program (src/app/translations), so nothing is looked up on disk.
constexpr QLatin1String EnglishFile(":/i18n/talk-countdown_en.qm");

bool isEnglish(const QString &lang)
{
    return lang == QLatin1String("en");
}

} // namespace

bool install(QCoreApplication &app, const QString &lang)
{
    auto *translator = new QTranslator(&app);
    if (isEnglish(lang)) {
        // Qt's own texts are English without a translation, so only ours is loaded.
        if (!translator->load(EnglishFile)) {
            delete translator;
            std::fputs("talk-countdown: the English translation is missing from the program; "
                       "texts stay Chinese\n",
                       stderr);
            return false;
        }
        return QCoreApplication::installTranslator(translator);
    }
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
