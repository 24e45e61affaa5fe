// The engines' worker threads: one pool for the whole process, shared by every engine run and
// by every thread that starts one.
//
// A run is cut into tasks (most often bands of rows) that write nothing another task reads, so
// the bytes never depend on how many threads there are or which thread did which task. The
// calling thread takes tasks itself and is the only one that reports: callers keep their
// progress indicator and user messages on their own thread.
//
// A run started from inside a task (an engine called by another engine's task) is done on that
// thread alone, so a task never waits for threads that are waiting for it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

struct progressIndicator;

// The threads a run spreads over, the calling one included: what setWorkerThreads fixed, else
// the environment's KORVIA_THREADS (a whole number from 1 on), else every core the process may
// run on (its affinity mask, so taskset or a container's limit is honoured).
int workerThreads();
// Fixes the thread count for the rest of the process (korvia-batch --threads, tests and
// benchmarks); 0 goes back to the default.
void setWorkerThreads(int count);
// The cores the process may run on.
int availableCores();

// While one lives on a thread, every run that thread starts (and every run started inside its
// tasks) asks the indicator's cancelRequested before each task it has not begun: once it answers
// true, the tasks not begun are skipped and the run throws operationCancelled (progress.h) after
// the tasks under way have ended. So a cancel reaches an engine between two bands, on every
// thread, and the pool is left with no task of the run.
class cancelScope {
public:
    explicit cancelScope(const progressIndicator *progress);
    ~cancelScope();
    cancelScope(const cancelScope &) = delete;
    cancelScope &operator=(const cancelScope &) = delete;

private:
    const progressIndicator *previous;
};

// Whether the cancel of the cancelScope in force on this thread (or the run whose task this is)
// has been requested; false without one.
bool cancelRequestedHere();
// That indicator itself (or nullptr), for the threads of a library a run calls, which ask its
// cancelled() while the run waits for them.
const progressIndicator *cancelInForce();

// Runs task(i) for i = 0 .. count − 1, spread over up to workerThreads() threads, the calling
// thread among them; returns when every task has ended. The calling thread calls poll() after
// each task it did and whenever another thread finishes one; no other thread calls it. The first
// exception a task throws is thrown again here once the tasks already started have ended; tasks
// not started by then are skipped.
void runTasks(int count, const std::function<void(int)> &task, const std::function<void()> &poll = {});

// Bands of consecutive rows covering rows 0 .. rows − 1, as their edges: 0, the first row of
// every further band, then rows (band i is rows edges[i] .. edges[i + 1] − 1).
// Band heights are multiples of step (a filter's tiles) except the last, and at least minimum
// (the rows a band is worth the set-up of) where the picture has that many. With one thread a
// picture of up to 256 rows is one band; with more there are a few bands per thread.
std::vector<int> rowBands(int rows, int minimum = 1, int step = 1);

// Runs body(first, end) over every band of rowBands(rows, minimum, step) like runTasks, and calls
// rowDone(y) on the calling thread for every row y once, in increasing order, as soon as the
// bands up to it are done.
void forEachBand(int rows, const std::function<void(int, int)> &body, const std::function<void(int)> &rowDone = {},
                 int minimum = 1, int step = 1);
// The same over a band plan made beforehand (filters that copy the rows around each band first).
void forEachBand(const std::vector<int> &bands, const std::function<void(int, int)> &body,
                 const std::function<void(int)> &rowDone = {});

// count bytes from `from` to `to` (not overlapping), in pieces on the worker threads: the plane
// copies a filter takes before it starts, and copies it wrote into going back.
void copyInPieces(std::uint8_t *to, const std::uint8_t *from, std::size_t count);

// For filters that write their planes in place while reading rows around the pixel: the rows
// each band reads beyond its own (reach rows above and below it), copied before any band
// writes, so no band ever sees another's output. A band's own rows are read from the planes,
// which the filter must read before it writes them (as it did on one thread).
class bandNeighbours {
public:
    bandNeighbours(std::uint8_t *const *planes, int planeCount, int width, int height, const std::vector<int> &edges,
                   int reach);
    // Row r of plane p as it was before the run, seen from the band whose first row is first: r
    // must lie within reach rows of the band and inside the picture.
    const std::uint8_t *row(int first, int p, int r) const;

private:
    std::vector<std::uint8_t *> planes;
    std::size_t width = 0;
    std::vector<int> edges;
    int reach = 0;
    // For band i and plane p: the rows above the band, then the rows below it.
    std::vector<std::vector<std::uint8_t>> above, below;
};
