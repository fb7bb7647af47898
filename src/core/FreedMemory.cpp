#include "core/FreedMemory.h"

#include <QTimer>

#ifdef __GLIBC__
#include <malloc.h>
#endif

void GiveBackFreedMemory() {
#ifdef __GLIBC__
    // One trim for every big change of the same moment.
    static bool due = false;
    if (due)
        return;
    due = true;
    QTimer::singleShot(100, [] {
        due = false;
        ::malloc_trim(0);
    });
#endif
}
