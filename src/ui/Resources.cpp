#include "Resources.h"

#include <QtGlobal>

// Q_INIT_RESOURCE must be used outside of any namespace.
static void initialiseResources()
{
    Q_INIT_RESOURCE(marlvane);
}

void Resources::ensureRegistered()
{
    static const bool registered = [] {
        initialiseResources();
        return true;
    }();
    Q_UNUSED(registered);
}
