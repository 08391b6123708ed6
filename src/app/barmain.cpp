#include "startup.h"

#include <QtGlobal>

// The program's entry once no running bar has taken the request: this start becomes the bar.
extern "C" Q_DECL_EXPORT int talk_countdown_bar_main(int argc, char *argv[])
{
    return Startup::run(argc, argv);
}
