#include "abandonable.h"

#include "progress.h"
#include "workerpool.h"

#include <chrono>
#include <condition_variable>
#include <exception>
#include <memory>
#include <mutex>
#include <thread>

namespace {

// How often the waiting caller asks its cancel: well inside the 0.3 s a cancel may take.
constexpr auto askEvery = std::chrono::milliseconds(10);

struct givenUp {
    std::mutex guard;
    std::condition_variable ended;
    int running = 0;
};

givenUp &abandoned()
{
    static givenUp *const g = new givenUp; // never destroyed: a thread may end after main
    return *g;
}

struct workState {
    std::mutex guard;
    std::condition_variable finished;
    bool done = false;
    bool gaveUp = false; // from then on the caller's cancel is not asked any more (it may be gone)
    std::exception_ptr failure;
    progressIndicator own; // the work's cancel: the caller's while it waits, then true
};

} // namespace

void runAbandonable(std::function<void()> work)
{
    const progressIndicator *caller = cancelInForce();
    if (!caller) {
        work();
        return;
    }
    caller->checkCancelled();
    auto state = std::make_shared<workState>();
    state->own.cancelRequested = [s = state.get(), caller] {
        const std::lock_guard<std::mutex> lock(s->guard);
        return s->gaveUp || caller->cancelled();
    };
    std::thread([state, work = std::move(work)] {
        std::exception_ptr failure;
        try {
            const cancelScope scope(&state->own);
            work();
        } catch (...) {
            failure = std::current_exception();
        }
        bool wasGivenUp;
        {
            const std::lock_guard<std::mutex> lock(state->guard);
            state->done = true;
            state->failure = failure;
            wasGivenUp = state->gaveUp;
        }
        state->finished.notify_all();
        if (wasGivenUp) {
            givenUp &g = abandoned();
            {
                const std::lock_guard<std::mutex> lock(g.guard);
                g.running -= 1;
            }
            g.ended.notify_all();
        }
    }).detach();

    std::unique_lock<std::mutex> lock(state->guard);
    while (!state->finished.wait_for(lock, askEvery, [&] { return state->done; })) {
        if (!caller->cancelled()) continue;
        state->gaveUp = true;
        {
            const std::lock_guard<std::mutex> count(abandoned().guard);
            abandoned().running += 1;
        }
        throw operationCancelled{};
    }
    if (state->failure) std::rethrow_exception(state->failure);
}

int abandonedWorkRunning()
{
    givenUp &g = abandoned();
    const std::lock_guard<std::mutex> lock(g.guard);
    return g.running;
}

void waitForAbandonedWork()
{
    givenUp &g = abandoned();
    std::unique_lock<std::mutex> lock(g.guard);
    g.ended.wait(lock, [&] { return g.running <= 0; });
}
