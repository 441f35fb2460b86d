#pragma once

#include <QtGlobal>

/**
 * @brief The process group of a child the application waits for, listed so that no such child
 * outlives the application.
 *
 * Every listed group is ended by endAll(), which runs when the application is about to quit and
 * again at exit. Each group is ended at most once: ending it, or its leader finishing, takes it
 * off the list. Children started detached are never listed; they are meant to outlive us.
 */
class WaitedGroup final
{
public:
    /** @brief Lists the group that `leader` leads. */
    explicit WaitedGroup(qint64 leader);
    /** @brief Ends the group when it is still listed: its run was abandoned while it ran. */
    ~WaitedGroup();
    Q_DISABLE_COPY_MOVE(WaitedGroup)

    /** @brief Kills every process of the group now, unless it was already ended or finished. */
    void end();
    /** @brief The leader has exited: the group leaves the list and is left alone from now on. */
    void leaderFinished();

    /** @brief Ends every listed group. */
    static void endAll();

private:
    qint64 m_leader;
};
