// Work given up on a cancel: the caller returns at once with operationCancelled while the work
// runs on, seeing its own cancel answer true; without a cancel in force the work runs on the
// calling thread; what the work throws reaches a caller that waited.
#include "imagedata/abandonable.h"
#include "imagedata/progress.h"
#include "imagedata/workerpool.h"

#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <stdexcept>
#include <thread>

namespace {

TEST(Abandonable, ACancelEndsTheWaitAndTheWorkRunsOnAloneSeeingItsCancel)
{
    // No cancel in force: on this thread, and its exception passes.
    std::thread::id ranOn;
    runAbandonable([&] { ranOn = std::this_thread::get_id(); });
    EXPECT_EQ(ranOn, std::this_thread::get_id());

    std::atomic<bool> cancel{false};
    progressIndicator progress;
    progress.cancelRequested = [&] { return cancel.load(); };
    const cancelScope scope(&progress);

    // Waited for: beside this thread, the caller's cancel answered inside, the error passed on.
    std::atomic<int> asked{0};
    EXPECT_THROW(runAbandonable([&] {
                     ranOn = std::this_thread::get_id();
                     asked += cancelRequestedHere() ? 100 : 1;
                     throw std::runtime_error("no");
                 }),
                 std::runtime_error);
    EXPECT_NE(ranOn, std::this_thread::get_id());
    EXPECT_EQ(asked.load(), 1);

    // Given up: the work is held until the caller has returned, so the caller cannot have
    // waited for it; afterwards the work sees its cancel requested.
    auto release = std::make_shared<std::promise<void>>();
    auto sawCancel = std::make_shared<std::promise<bool>>();
    std::shared_future<void> released = release->get_future().share();
    std::future<bool> seen = sawCancel->get_future();
    std::thread canceller([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        cancel = true;
    });
    EXPECT_THROW(runAbandonable([released, sawCancel] {
                     released.wait();
                     sawCancel->set_value(cancelRequestedHere());
                 }),
                 operationCancelled);
    canceller.join();
    EXPECT_EQ(abandonedWorkRunning(), 1);
    release->set_value();
    EXPECT_TRUE(seen.get());
    waitForAbandonedWork();
    EXPECT_EQ(abandonedWorkRunning(), 0);

    // A cancel already requested: nothing starts.
    bool started = false;
    EXPECT_THROW(runAbandonable([&] { started = true; }), operationCancelled);
    EXPECT_FALSE(started);
}

} // namespace
