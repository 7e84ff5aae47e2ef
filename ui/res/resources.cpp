#include "resources.h"

#include <QtGlobal>

// The resource object lives in a static library, so nothing would pull it into
// the program unless its initialiser is referenced from code that runs.
void InitPageResources()
{
    static const bool once = [] {
        Q_INIT_RESOURCE(resources);
        return true;
    }();
    (void)once;
}
