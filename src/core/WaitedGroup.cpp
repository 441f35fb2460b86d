#include "WaitedGroup.h"

#include "ProcessGroup.h"

#include <QCoreApplication>
#include <QList>
#include <QPointer>

#include <cstdlib>
#include <mutex>

namespace {

struct Listed
{
    std::mutex mutex;
    QList<qint64> leaders;
    // The application whose aboutToQuit ends the groups; a test program may make a new one.
    QPointer<QCoreApplication> hooked;
};

// Never destroyed: the exit handler below may run after static objects are gone.
Listed& listed()
{
    static auto* const instance = new Listed;
    return *instance;
}

bool unlist(qint64 leader)
{
    Listed& all = listed();
    const std::lock_guard lock(all.mutex);
    return all.leaders.removeOne(leader);
}

// Called with the list locked. When the window closes while a run is awaited, the event loop
// ends and the awaiting coroutine never resumes, so its child must be ended from here.
void hookQuit(Listed& all)
{
    static std::once_flag atExit;
    std::call_once(atExit, [] { std::atexit(&WaitedGroup::endAll); });
    QCoreApplication* application = QCoreApplication::instance();
    if (application != nullptr && all.hooked != application) {
        all.hooked = application;
        QObject::connect(application, &QCoreApplication::aboutToQuit, application, &WaitedGroup::endAll);
    }
}

} // namespace

WaitedGroup::WaitedGroup(qint64 leader)
    : m_leader(leader)
{
    Listed& all = listed();
    const std::lock_guard lock(all.mutex);
    hookQuit(all);
    all.leaders.append(leader);
}

WaitedGroup::~WaitedGroup()
{
    end();
}

void WaitedGroup::end()
{
    if (unlist(m_leader)) {
        ProcessGroup::end(m_leader);
    }
}

void WaitedGroup::leaderFinished()
{
    unlist(m_leader);
}

void WaitedGroup::endAll()
{
    QList<qint64> leaders;
    {
        Listed& all = listed();
        const std::lock_guard lock(all.mutex);
        leaders.swap(all.leaders);
    }
    for (const qint64 leader : leaders) {
        ProcessGroup::end(leader);
    }
}
