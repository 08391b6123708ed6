#pragma once

class QCoreApplication;

// Qt's own texts (a box's button, the file dialog, a text box's context menu) in Simplified
// Chinese, like the rest of the program, whatever the user's locale.
namespace QtTranslation {

// Loads Qt's zh_CN translation; must run before the first widget is made. False, with one
// line on stderr, when it is not installed: the program still works, with English there.
bool install(QCoreApplication &app);

} // namespace QtTranslation
