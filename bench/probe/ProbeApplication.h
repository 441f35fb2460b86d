#pragma once

#include <QApplication>
#include <QList>

#include <cstdint>
#include <functional>

/**
 * @brief QApplication that tells a benchmark when a frame has been painted.
 *
 * It sees every event on its way to its receiver. When a paint event reaches a watched widget,
 * the frame counts as painted once the dispatch that contains it has returned to the event loop:
 * by then the whole window, children included, has been drawn and flushed. Nothing else differs
 * from QApplication, so a program built on it starts up exactly as one built on QApplication.
 */
class ProbeApplication final : public QApplication
{
public:
    using IsTarget = std::function<bool(QObject* receiver)>;
    /** @brief Called with the CLOCK_MONOTONIC time at which the frame was complete. */
    using OnFrame = std::function<void(std::int64_t frameNs)>;

    ProbeApplication(int& argc, char** argv);

    /** @brief Calls `onFrame` once, after the first frame in which a receiver matching `isTarget` paints. */
    void whenPainted(IsTarget isTarget, OnFrame onFrame);

    /** @brief Lists on standard error every outermost event dispatch that takes longer than this. */
    void reportSlowDispatches(std::int64_t thresholdNs) { m_slowNs = thresholdNs; }

    bool notify(QObject* receiver, QEvent* event) override;

    /** @brief This process's peak resident memory so far, from getrusage. */
    static long peakResidentKiB();

private:
    struct Watch
    {
        IsTarget isTarget;
        OnFrame onFrame;
        bool painted = false;
    };
    void finishFrames();

    QList<Watch> m_watches;
    int m_depth = 0;
    std::int64_t m_slowNs = 0;
};
