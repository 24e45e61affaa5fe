// Work the window runs off its own thread (the commit, the one-click buttons, open and save), one
// piece at a time, so that the window goes on repainting, shows the progress and can stop it.
//
// The work runs on a thread of its own and reports through a progress indicator whose cancel is
// the window's 中止; every engine run it starts obeys that cancel between bands (cancelScope).
// Its end is handled on the window's thread: finish() after work that ran through, nothing after
// work that was cancelled (the work changed nothing the window holds, so nothing is undone), and
// the error shown after work that failed; then ended() tells which of the three it was, so the
// window can go on with a chain of work (the next dropped file, the rest of a quit).
//
// With background work switched off (the default: the tests and anything but the program) the
// work and finish() run at once on the calling thread, in that order, reporting on the window's
// progress bar, exceptions passing to the caller: the same code and the same bytes, finished when
// the command returns.
#pragma once
#include "imagedata/progress.h"

#include <QObject>

#include <atomic>
#include <exception>
#include <functional>
#include <thread>

// How background work ended: ran through and finished, cancelled (its result dropped), or failed
// (the work or its finish threw; the error has been shown).
enum class workOutcome { finished, cancelled, failed };

class backgroundJob : public QObject {
public:
    using workFunction = std::function<void(const progressIndicator &)>;
    using endFunction = std::function<void()>;

    // shown: the indicator the work reports to when it runs at once (the window's bar).
    explicit backgroundJob(const progressIndicator *shown, QObject *parent = nullptr);
    // Cancels running work and waits for its thread.
    ~backgroundJob() override;
    backgroundJob(const backgroundJob &) = delete;
    backgroundJob &operator=(const backgroundJob &) = delete;

    // Process-wide: the program switches background work on; see above.
    static void setEnabled(bool on);
    static bool enabled();

    // Work is running (started and its end not handled yet).
    bool busy() const { return running; }
    // Runs work and then, on this thread, finish; throws std::logic_error while busy.
    void start(workFunction work, endFunction finish);
    // Asks the running work to stop; it ends at its next band or row, its result dropped.
    void cancel();
    bool cancelRequested() const { return stopping.load(); }
    // Blocks until running work has ended and its end has been handled (cancel first to make it
    // short). Nothing when idle.
    void wait();

    // Where the running work stands: the maximum and position it reported last.
    int maximum() const { return reportedMaximum.load(); }
    int position() const { return reportedPosition.load(); }

    // Called on the window's thread when background work starts (true) and when it has ended
    // (false), before finish() or the error.
    std::function<void(bool)> busyChanged;
    // Runs the finish or rethrows the error of background work; the window shows what it throws
    // and returns false.
    std::function<bool(const std::function<void()> &)> guard;

    // Called on the window's thread after background work's end has been handled, whatever it
    // was, so that the window can go on with what it was doing (the next dropped file, the rest
    // of a quit). Not called for work run at once.
    std::function<void(workOutcome)> ended;

    // Test hook: while held, background work waits before it starts until released or cancelled.
    static void holdRuns(bool held);

private:
    void endRun();
    workOutcome handleEnd(const endFunction &done, const std::exception_ptr &error, bool cancelled);

    const progressIndicator *shown;
    progressIndicator indicator; // the background work's: positions kept for the window's timer
    std::atomic<bool> stopping{false};
    std::atomic<int> reportedMaximum{0}, reportedPosition{0};
    bool running = false;
    unsigned runNumber = 0; // counts the runs started, on the window's thread
    std::thread thread;
    std::exception_ptr failure;
    endFunction finish;
};
