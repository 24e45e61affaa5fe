// The one background thread that writes undo snapshots to disk while the user already sees the
// result of the change.
//
// A snapshot job holds the picture before the change (a shared copy of the bitmap, so taking it
// costs nothing until the change writes into the picture) and the file it goes to. The writer
// takes the jobs in order, writes each through saveImageFile as a 32-bit BMP and then lets go of
// its picture. A write that fails keeps the picture in the job for good, so the step is never
// lost, and is told once through showMessage on the thread of the application's event loop
// (reportFailedSnapshots), never from the writer itself.
//
// The pictures of jobs not yet written count against one byte budget for the process; a new job
// beyond it first waits for the oldest write (makeRoom). A cancelled job is dropped without
// waiting when it has not started; one being written has its file removed by the writer as soon
// as the write ends.
//
// A picture written and held by nothing else is not given back to the system at once: a few are
// kept (spareBuffers) for the next change of a picture of the same size, which writes its result
// into one (recycledCopy) instead of a fresh allocation whose every page the kernel must first
// fault in and clear; on a 24-megapixel photo that was most of a quick filter's commit.
#pragma once
#include <QImage>
#include <QString>

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

struct snapshotJob {
    enum class state { queued, writing, written, failed, cancelled };
    QImage picture; // until written; for good after a failure
    QString file;
    state status = state::queued;
    bool cancelRequested = false; // while writing: the writer removes the file afterwards
    QString failure;              // the message of a failed write
};

class snapshotWriter {
public:
    // The process's writer; its thread starts with the first job.
    static snapshotWriter &process();
    ~snapshotWriter(); // cancels what is queued and joins the thread (after at most one write)

    snapshotWriter(const snapshotWriter &) = delete;
    snapshotWriter &operator=(const snapshotWriter &) = delete;

    // Queues the job (picture and file set, status queued).
    void submit(const std::shared_ptr<snapshotJob> &job);
    // Waits until the job is written, failed or cancelled.
    void wait(const std::shared_ptr<snapshotJob> &job);
    // Waits until no job is queued or being written.
    void waitForAll();
    // Drops a queued job, or has the file of one being written removed when it ends; a written
    // job's file is the caller's. Never waits.
    void cancel(const std::shared_ptr<snapshotJob> &job);
    // Waits for the oldest unwritten jobs until bytes more fit in the budget, or nothing is left
    // to wait for. Returns whether they fit (failed jobs keep their bytes).
    bool makeRoom(std::size_t bytes);
    // The job's picture if it is still held in memory (not yet written, or failed), else null.
    QImage heldPicture(const std::shared_ptr<snapshotJob> &job);
    // The job's status, read under the writer's lock.
    snapshotJob::state statusOf(const std::shared_ptr<snapshotJob> &job);
    // Bytes of the pictures held by jobs that are not written (queued, writing, failed).
    std::size_t heldBytes();

    // An unshared copy of picture (same size, format and bytes), made in a spare buffer of a
    // written snapshot of that size and format when one is kept, else in a fresh one. Throws
    // std::bad_alloc when no memory is left for it.
    QImage recycledCopy(const QImage &picture);
    // Lets go of the spare buffers (a picture closed, memory wanted elsewhere).
    void dropSpareBuffers();
    // The spare buffers kept now (at most spareBuffers).
    int spareCount();
    static constexpr int spareBuffers = 2;

    // The budget for heldBytes; 1 GB by default (ten 24-megapixel pictures).
    void setBudget(std::size_t bytes);
    // Test hook: while held, the writer takes the next job (it is then being written) and waits
    // before writing it.
    void holdWrites(bool held);

private:
    snapshotWriter() = default;
    void run();
    static std::size_t bytesOf(const QImage &picture);

    std::mutex lock;
    std::condition_variable changed;
    std::deque<std::shared_ptr<snapshotJob>> queue;
    std::vector<std::shared_ptr<snapshotJob>> failedJobs; // not yet cancelled, kept for the budget
    std::deque<QImage> spares; // written pictures no one else holds, newest last
    std::shared_ptr<snapshotJob> current;
    std::size_t budget = std::size_t(1) << 30;
    bool held = false;
    bool stopping = false;
    std::thread thread;
};

// Shows one message (showMessage) for the snapshot writes that failed since the last call, if
// any, naming the first failure's reason. Call it on the thread that shows messages; the writer
// asks the application's event loop to call it after each failure.
void reportFailedSnapshots();
