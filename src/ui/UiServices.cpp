#include "UiServices.h"

#include "DesktopUiServices.h"

namespace {
UiServices* installed = nullptr;
}

UiServices& UiServices::current()
{
    static DesktopUiServices desktop;
    return installed != nullptr ? *installed : desktop;
}

void UiServices::setCurrent(UiServices* services)
{
    installed = services;
}
