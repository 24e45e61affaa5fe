#include "backgroundjob.h"

#include "imagedata/workerpool.h"

#include <QCoreApplication>
#include <QMetaObject>

#include <chrono>
#include <stdexcept>

namespace {
std::atomic<bool> backgroundEnabled{false};
std::atomic<bool> runsHeld{false};
} // namespace

backgroundJob::backgroundJob(const progressIndicator *shownIndicator, QObject *parent)
    : QObject(parent), shown(shownIndicator)
{
    indicator.onMaximum = [this](int maximum) {
        reportedMaximum = maximum;
        reportedPosition = 0;
    };
    indicator.onPosition = [this](int position) { reportedPosition = position; };
    indicator.cancelRequested = [this] { return stopping.load(std::memory_order_relaxed); };
}

backgroundJob::~backgroundJob()
{
    cancel();
    if (thread.joinable()) thread.join();
}

void backgroundJob::setEnabled(bool on) { backgroundEnabled = on; }
bool backgroundJob::enabled() { return backgroundEnabled; }
void backgroundJob::holdRuns(bool held) { runsHeld = held; }

void backgroundJob::start(workFunction work, endFunction whenDone)
{
    if (running) throw std::logic_error("backgroundJob: work is already running");
    if (!enabled()) {
        work(shown ? *shown : progressIndicator{});
        whenDone();
        return;
    }
    stopping = false;
    failure = nullptr;
    reportedMaximum = 0;
    reportedPosition = 0;
    finish = std::move(whenDone);
    running = true;
    const unsigned run = ++runNumber;
    if (busyChanged) busyChanged(true);
    try {
        thread = std::thread([this, run, work = std::move(work)] {
            try {
                const cancelScope scope(&indicator);
                while (runsHeld.load() && !stopping.load()) std::this_thread::sleep_for(std::chrono::milliseconds(2));
                indicator.checkCancelled();
                work(indicator);
            } catch (...) {
                failure = std::current_exception();
            }
            // Handled on the window's thread; a run whose end wait() handled already is not ended
            // twice, and never a later run in its place.
            QMetaObject::invokeMethod(
                this, [this, run] {
                    if (run == runNumber) endRun();
                },
                Qt::QueuedConnection);
        });
    } catch (...) {
        running = false;
        finish = nullptr;
        if (busyChanged) busyChanged(false);
        throw;
    }
}

void backgroundJob::cancel()
{
    if (running) stopping = true;
}

void backgroundJob::wait()
{
    if (!running) return;
    if (thread.joinable()) thread.join();
    endRun(); // the queued call finds nothing left to do
}

void backgroundJob::endRun()
{
    if (!running) return;
    if (thread.joinable()) thread.join();
    running = false;
    const endFunction done = std::move(finish);
    finish = nullptr;
    const std::exception_ptr error = std::exchange(failure, nullptr);
    const bool cancelled = stopping.exchange(false);
    if (busyChanged) busyChanged(false);
    const workOutcome result = handleEnd(done, error, cancelled);
    if (ended) ended(result);
}

workOutcome backgroundJob::handleEnd(const endFunction &done, const std::exception_ptr &error,
                                                bool cancelled)
{
    if (cancelled) return workOutcome::cancelled; // whatever the work made is dropped
    const auto run = [&](const std::function<void()> &step) {
        if (guard) return guard(step);
        step();
        return true;
    };
    if (error) {
        try {
            std::rethrow_exception(error);
        } catch (const operationCancelled &) {
            return workOutcome::cancelled;
        } catch (...) {
        }
        run([error] { std::rethrow_exception(error); });
        return workOutcome::failed;
    }
    if (done && !run(done)) return workOutcome::failed;
    return workOutcome::finished;
}
