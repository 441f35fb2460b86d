#include "Background.h"

QThreadPool* Background::sharedPool()
{
    return QThreadPool::globalInstance();
}
