#include "workerpool.h"

#include "progress.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>

#if defined(__linux__)
#include <sched.h>
#endif

namespace {

constexpr int mostThreads = 64;
std::atomic<int> fixedThreads{0};
thread_local bool insideTask = false;
// The indicator whose cancel the runs started on this thread obey (cancelScope).
thread_local const progressIndicator *runCancel = nullptr;

bool cancelledBy(const progressIndicator *progress) { return progress && progress->cancelled(); }

int threadsFromEnvironment()
{
    const char *text = std::getenv("KORVIA_THREADS");
    if (!text || !*text) return 0;
    char *end = nullptr;
    const long value = std::strtol(text, &end, 10);
    if (*end != '\0' || value < 1) return 0; // not a whole number from 1 on: the default
    return static_cast<int>(std::min<long>(value, mostThreads));
}

// One run of runTasks.
struct job {
    const std::function<void(int)> *task = nullptr;
    const progressIndicator *cancel = nullptr; // of the thread that started the run
    int count = 0;
    int helpersWanted = 0;
    int helpersJoined = 0;      // under the pool's lock
    std::atomic<int> next{0};   // the next task to take
    std::atomic<bool> failed{false};
    std::mutex lock;            // guards finished and failure
    std::condition_variable ended;
    int finished = 0;
    std::exception_ptr failure;

    // Takes the next task and runs it (skips it after a failure); false when none is left.
    bool takeOne()
    {
        const int i = next.fetch_add(1);
        if (i >= count) return false;
        if (!failed.load(std::memory_order_relaxed)) {
            // The task runs under the starting thread's cancel, and so do runs started inside it.
            const progressIndicator *outer = runCancel;
            runCancel = cancel;
            try {
                if (cancelledBy(cancel)) throw operationCancelled{};
                (*task)(i);
                runCancel = outer;
            } catch (...) {
                runCancel = outer;
                std::lock_guard<std::mutex> hold(lock);
                if (!failure) failure = std::current_exception();
                failed = true;
            }
        }
        {
            std::lock_guard<std::mutex> hold(lock);
            ++finished;
        }
        ended.notify_all();
        return true;
    }
    // With the lock held: takes the next task without running it, once a task has failed.
    bool takeOneSkipped()
    {
        if (!failed.load()) return false;
        const int i = next.fetch_add(1);
        if (i >= count) return false;
        ++finished;
        return true;
    }
};

class pool {
public:
    ~pool()
    {
        {
            std::lock_guard<std::mutex> hold(lock);
            stopping = true;
        }
        wake.notify_all();
        for (std::thread &t : threads) t.join();
    }

    // Offers the job to up to job.helpersWanted idle threads, starting threads as needed.
    void offer(const std::shared_ptr<job> &j)
    {
        {
            std::lock_guard<std::mutex> hold(lock);
            while (static_cast<int>(threads.size()) < j->helpersWanted) {
                try {
                    threads.emplace_back([this] { serve(); });
                } catch (const std::system_error &) {
                    break; // fewer helpers: the calling thread does the rest
                }
            }
            jobs.push_back(j);
        }
        wake.notify_all();
    }

    void withdraw(const std::shared_ptr<job> &j)
    {
        std::lock_guard<std::mutex> hold(lock);
        jobs.erase(std::remove(jobs.begin(), jobs.end(), j), jobs.end());
    }

private:
    void serve()
    {
        insideTask = true;
        std::unique_lock<std::mutex> hold(lock);
        for (;;) {
            std::shared_ptr<job> picked;
            wake.wait(hold, [&] {
                if (stopping) return true;
                for (const std::shared_ptr<job> &j : jobs)
                    if (j->helpersJoined < j->helpersWanted && j->next.load() < j->count) {
                        picked = j;
                        return true;
                    }
                return false;
            });
            if (stopping) return;
            ++picked->helpersJoined;
            hold.unlock();
            while (picked->takeOne()) {
            }
            hold.lock();
            jobs.erase(std::remove(jobs.begin(), jobs.end(), picked), jobs.end());
        }
    }

    std::mutex lock;
    std::condition_variable wake;
    std::deque<std::shared_ptr<job>> jobs;
    std::vector<std::thread> threads;
    bool stopping = false;
};

pool &thePool()
{
    static pool instance;
    return instance;
}

} // namespace

cancelScope::cancelScope(const progressIndicator *progress) : previous(runCancel)
{
    runCancel = progress;
}

cancelScope::~cancelScope()
{
    runCancel = previous;
}

bool cancelRequestedHere() { return cancelledBy(runCancel); }

const progressIndicator *cancelInForce() { return runCancel; }

int availableCores()
{
    unsigned cores = std::thread::hardware_concurrency();
#if defined(__linux__)
    cpu_set_t allowed;
    CPU_ZERO(&allowed);
    if (sched_getaffinity(0, sizeof allowed, &allowed) == 0) cores = static_cast<unsigned>(CPU_COUNT(&allowed));
#endif
    return static_cast<int>(std::clamp(cores, 1u, static_cast<unsigned>(mostThreads)));
}

int workerThreads()
{
    if (const int fixed = fixedThreads.load()) return fixed;
    static const int fromEnvironment = threadsFromEnvironment();
    if (fromEnvironment) return fromEnvironment;
    static const int cores = availableCores();
    return cores;
}

void setWorkerThreads(int count) { fixedThreads = std::clamp(count, 0, mostThreads); }

void runTasks(int count, const std::function<void(int)> &task, const std::function<void()> &poll)
{
    if (count <= 0) return;
    const int threads = insideTask ? 1 : std::min(workerThreads(), count);
    if (threads <= 1) {
        for (int i = 0; i < count; ++i) {
            if (cancelledBy(runCancel)) throw operationCancelled{};
            task(i);
            if (poll) poll();
        }
        return;
    }
    auto j = std::make_shared<job>();
    j->task = &task;
    j->cancel = runCancel;
    j->count = count;
    j->helpersWanted = threads - 1;
    pool &workers = thePool();
    workers.offer(j);
    // The calling thread works as well; its own tasks must not start further pools of threads.
    // Whatever happens here, it returns only once no thread runs a task of this job any more.
    std::exception_ptr ownFailure;
    insideTask = true;
    try {
        while (j->takeOne())
            if (poll) poll();
    } catch (...) {
        ownFailure = std::current_exception();
        j->failed = true;
    }
    insideTask = false;
    workers.withdraw(j);
    std::unique_lock<std::mutex> hold(j->lock);
    // Tasks nobody took (after a failure) count as ended.
    while (j->takeOneSkipped()) {
    }
    for (int seen = j->finished; seen < count; seen = j->finished) {
        j->ended.wait(hold, [&] { return j->finished != seen; });
        if (poll && !ownFailure) {
            hold.unlock();
            try {
                poll();
            } catch (...) {
                ownFailure = std::current_exception();
                j->failed = true;
            }
            hold.lock();
        }
    }
    if (ownFailure) std::rethrow_exception(ownFailure);
    if (j->failure) std::rethrow_exception(j->failure);
}

std::vector<int> rowBands(int rows, int minimum, int step)
{
    std::vector<int> edges{0};
    if (rows <= 0) return edges;
    step = std::max(step, 1);
    minimum = std::max(minimum, 1);
    const int threads = insideTask ? 1 : workerThreads();
    // A few bands per thread let the threads even out; bands of at most 256 rows keep the
    // progress moving on large pictures.
    const int wanted = std::max(threads > 1 ? threads * 6 : 1, (rows + 255) / 256);
    int height = (rows + wanted - 1) / wanted;
    height = std::max(height, minimum);
    height = (height + step - 1) / step * step;
    for (int first = height; first < rows; first += height) edges.push_back(first);
    edges.push_back(rows);
    return edges;
}

void forEachBand(const std::vector<int> &edges, const std::function<void(int, int)> &body,
                 const std::function<void(int)> &rowDone)
{
    const int count = static_cast<int>(edges.size()) - 1;
    if (count <= 0) return;
    std::unique_ptr<std::atomic<bool>[]> done(new std::atomic<bool>[static_cast<std::size_t>(count)]);
    for (int i = 0; i < count; ++i) done[static_cast<std::size_t>(i)] = false;
    int reported = 0; // bands whose rows are reported
    const std::function<void()> poll = [&] {
        for (; reported < count && done[static_cast<std::size_t>(reported)].load(std::memory_order_acquire); ++reported)
            if (rowDone)
                for (int y = edges[static_cast<std::size_t>(reported)]; y < edges[static_cast<std::size_t>(reported) + 1]; ++y)
                    rowDone(y);
    };
    runTasks(
        count,
        [&](int i) {
            body(edges[static_cast<std::size_t>(i)], edges[static_cast<std::size_t>(i) + 1]);
            done[static_cast<std::size_t>(i)].store(true, std::memory_order_release);
        },
        poll);
    poll();
}

void forEachBand(int rows, const std::function<void(int, int)> &body, const std::function<void(int)> &rowDone,
                 int minimum, int step)
{
    forEachBand(rowBands(rows, minimum, step), body, rowDone);
}

void copyInPieces(std::uint8_t *to, const std::uint8_t *from, std::size_t count)
{
    // Pieces of at least 1 MB: below that a thread's start costs more than the copy.
    constexpr std::size_t least = std::size_t{1} << 20;
    const std::size_t wanted = static_cast<std::size_t>(std::max(1, workerThreads() * 2));
    const std::size_t pieces = std::max<std::size_t>(1, std::min(wanted, count / least));
    runTasks(static_cast<int>(pieces), [&](int i) {
        const std::size_t first = count * static_cast<std::size_t>(i) / pieces;
        const std::size_t end = count * (static_cast<std::size_t>(i) + 1) / pieces;
        if (end > first) std::memcpy(to + first, from + first, end - first);
    });
}

bandNeighbours::bandNeighbours(std::uint8_t *const *planeList, int planeCount, int w, int height,
                               const std::vector<int> &bandEdges, int rowReach)
    : planes(planeList, planeList + planeCount), width(static_cast<std::size_t>(w)), edges(bandEdges),
      reach(std::max(rowReach, 0))
{
    const int bands = static_cast<int>(edges.size()) - 1;
    above.resize(static_cast<std::size_t>(std::max(bands, 0) * planeCount));
    below.resize(above.size());
    for (int i = 0; i < bands; ++i) {
        const int top = edges[static_cast<std::size_t>(i)], end = edges[static_cast<std::size_t>(i) + 1];
        const int from = std::max(0, top - reach), to = std::min(height, end + reach);
        for (int p = 0; p < planeCount; ++p) {
            const std::uint8_t *plane = planes[static_cast<std::size_t>(p)];
            const std::size_t k = static_cast<std::size_t>(i * planeCount + p);
            above[k].assign(plane + static_cast<std::size_t>(from) * width, plane + static_cast<std::size_t>(top) * width);
            below[k].assign(plane + static_cast<std::size_t>(end) * width, plane + static_cast<std::size_t>(to) * width);
        }
    }
}

const std::uint8_t *bandNeighbours::row(int first, int p, int r) const
{
    const int i = static_cast<int>(std::upper_bound(edges.begin(), edges.end(), first) - edges.begin()) - 1;
    const int top = edges[static_cast<std::size_t>(i)], end = edges[static_cast<std::size_t>(i) + 1];
    const std::size_t k = static_cast<std::size_t>(i * static_cast<int>(planes.size()) + p);
    if (r < top) return above[k].data() + above[k].size() - static_cast<std::size_t>(top - r) * width;
    if (r >= end) return below[k].data() + static_cast<std::size_t>(r - end) * width;
    return planes[static_cast<std::size_t>(p)] + static_cast<std::size_t>(r) * width;
}
