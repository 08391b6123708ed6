#pragma once

#include <QString>

class QCoreApplication;

// The language of every text. The program's own texts are Chinese in the source; Qt's own
// texts (a box's button, the file dialog, a text box's context menu) are Chinese too, through
// Qt's zh_CN translation, whatever the user's locale. With "en" both are English.
namespace QtTranslation {

// Installs the texts of `lang` ("en"; anything else is Chinese); must run before the first
// widget is made. False, with one line on stderr, when a translation cannot be loaded: the
// program still works, with those texts untranslated.
bool install(QCoreApplication &app, const QString &lang = {});

} // namespace QtTranslation
