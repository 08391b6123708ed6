#include "startup.h"

#include <QtGlobal>

// The program's entry once no running bar has taken the request: this start becomes the bar,
// with the arguments the program has checked already (the same code is built into both).
extern "C" Q_DECL_EXPORT int talk_countdown_bar_main(int argc, char *argv[],
                                                     const LaterStart::Checked *checked)
{
    return Startup::run(argc, argv, *checked);
}
