#include "snapshotwriter.h"
#include "imagedata/texts.h"

#include "imageerror.h"
#include "imagefilemanager.h"
#include "messagesink.h"
#include "safewrite.h"

#include <QColorSpace>
#include <QCoreApplication>
#include <QFile>
#include <QMetaObject>

#include <algorithm>
#include <cstring>
#include <iterator>
#include <new>

namespace {

std::mutex reportLock;
std::vector<std::weak_ptr<snapshotJob>> unreported; // failed writes not yet told

template <typename List>
void removeJob(List &list, const std::shared_ptr<snapshotJob> &job)
{
    list.erase(std::remove(list.begin(), list.end(), job), list.end());
}

} // namespace

snapshotWriter &snapshotWriter::process()
{
    static snapshotWriter writer;
    return writer;
}

snapshotWriter::~snapshotWriter()
{
    {
        std::lock_guard<std::mutex> guard(lock);
        stopping = true;
        held = false;
        for (const auto &job : queue) {
            job->status = snapshotJob::state::cancelled;
            job->picture = QImage();
        }
        queue.clear();
        if (current) current->cancelRequested = true;
    }
    changed.notify_all();
    if (thread.joinable()) thread.join();
}

std::size_t snapshotWriter::bytesOf(const QImage &picture)
{
    return picture.isNull() ? 0 : std::size_t(picture.sizeInBytes());
}

void snapshotWriter::submit(const std::shared_ptr<snapshotJob> &job)
{
    {
        std::lock_guard<std::mutex> guard(lock);
        job->status = snapshotJob::state::queued;
        queue.push_back(job);
        if (!thread.joinable()) thread = std::thread([this] { run(); });
    }
    changed.notify_all();
}

void snapshotWriter::run()
{
    untrackTemporariesOfThisThread(); // the instance folder goes on those signals as a whole
    std::unique_lock<std::mutex> guard(lock);
    for (;;) {
        changed.wait(guard, [this] { return stopping || !queue.empty(); });
        if (stopping) return;
        current = queue.front();
        queue.pop_front();
        current->status = snapshotJob::state::writing;
        changed.wait(guard, [this] { return stopping || !held || current->cancelRequested; });
        std::shared_ptr<snapshotJob> job = current;
        if (job->cancelRequested) { // cancelled before a byte was written
            job->status = snapshotJob::state::cancelled;
            job->picture = QImage();
            current.reset();
            changed.notify_all();
            continue;
        }
        QImage picture = job->picture;
        const QString file = job->file;
        guard.unlock();
        QString failure;
        try {
            saveImageFile(picture, file, 2, 100);
        } catch (const imageError &error) {
            failure = error.message();
        } catch (const std::exception &error) {
            failure = QString::fromLocal8Bit(error.what());
        }
        picture = QImage(); // the job's own is then the only one left, when the change let go
        guard.lock();
        current.reset();
        if (job->cancelRequested) {
            if (failure.isEmpty()) QFile::remove(file);
            job->status = snapshotJob::state::cancelled;
            job->picture = QImage();
        } else if (failure.isEmpty()) {
            job->status = snapshotJob::state::written;
            // Held by nothing else (the change has its own picture by now): kept for the next.
            if (!job->picture.isNull() && job->picture.isDetached()) {
                spares.push_back(std::move(job->picture));
                while (spares.size() > std::size_t(spareBuffers)) spares.pop_front();
            }
            job->picture = QImage();
        } else {
            job->status = snapshotJob::state::failed;
            job->failure = failure;
            failedJobs.push_back(job);
            {
                std::lock_guard<std::mutex> told(reportLock);
                unreported.push_back(job);
            }
            // Told by the thread that shows messages, never by this one.
            if (QCoreApplication *app = QCoreApplication::instance())
                QMetaObject::invokeMethod(app, [] { reportFailedSnapshots(); }, Qt::QueuedConnection);
        }
        changed.notify_all();
    }
}

void snapshotWriter::wait(const std::shared_ptr<snapshotJob> &job)
{
    std::unique_lock<std::mutex> guard(lock);
    changed.wait(guard, [&] {
        return job->status != snapshotJob::state::queued && job->status != snapshotJob::state::writing;
    });
}

void snapshotWriter::waitForAll()
{
    std::unique_lock<std::mutex> guard(lock);
    changed.wait(guard, [this] { return queue.empty() && !current; });
}

void snapshotWriter::cancel(const std::shared_ptr<snapshotJob> &job)
{
    if (!job) return;
    {
        std::lock_guard<std::mutex> guard(lock);
        switch (job->status) {
        case snapshotJob::state::queued:
            removeJob(queue, job);
            job->status = snapshotJob::state::cancelled;
            job->picture = QImage();
            break;
        case snapshotJob::state::writing:
            job->cancelRequested = true;
            break;
        case snapshotJob::state::failed:
            removeJob(failedJobs, job);
            job->status = snapshotJob::state::cancelled;
            job->picture = QImage();
            break;
        default:
            break;
        }
    }
    changed.notify_all();
}

std::size_t snapshotWriter::heldBytes()
{
    std::lock_guard<std::mutex> guard(lock);
    std::size_t total = current ? bytesOf(current->picture) : 0;
    for (const auto &job : queue) total += bytesOf(job->picture);
    for (const auto &job : failedJobs) total += bytesOf(job->picture);
    return total;
}

bool snapshotWriter::makeRoom(std::size_t bytes)
{
    for (;;) {
        std::shared_ptr<snapshotJob> oldest;
        {
            std::lock_guard<std::mutex> guard(lock);
            std::size_t total = current ? bytesOf(current->picture) : 0;
            for (const auto &job : queue) total += bytesOf(job->picture);
            for (const auto &job : failedJobs) total += bytesOf(job->picture);
            if (total + bytes <= budget) return true;
            oldest = current ? current : (queue.empty() ? nullptr : queue.front());
        }
        if (!oldest) return false; // only failed steps hold memory
        wait(oldest);
    }
}

QImage snapshotWriter::recycledCopy(const QImage &picture)
{
    if (picture.isNull()) return QImage();
    QImage copy;
    {
        std::lock_guard<std::mutex> guard(lock);
        for (auto spare = spares.rbegin(); spare != spares.rend(); ++spare)
            if (spare->size() == picture.size() && spare->format() == picture.format() &&
                spare->bytesPerLine() == picture.bytesPerLine()) {
                copy = std::move(*spare);
                spares.erase(std::next(spare).base());
                break;
            }
    }
    if (copy.isNull()) {
        copy = picture.copy();
        if (copy.isNull()) throw std::bad_alloc();
        return copy;
    }
    // One thread: the copy is bound by memory, and a helper waiting for a core on a busy machine
    // made it slower, not faster.
    std::memcpy(copy.bits(), picture.constBits(), std::size_t(picture.sizeInBytes()));
    copy.setColorSpace(picture.colorSpace());
    copy.setDotsPerMeterX(picture.dotsPerMeterX());
    copy.setDotsPerMeterY(picture.dotsPerMeterY());
    copy.setOffset(picture.offset());
    return copy;
}

void snapshotWriter::dropSpareBuffers()
{
    std::deque<QImage> gone;
    std::lock_guard<std::mutex> guard(lock);
    gone.swap(spares);
}

int snapshotWriter::spareCount()
{
    std::lock_guard<std::mutex> guard(lock);
    return int(spares.size());
}

QImage snapshotWriter::heldPicture(const std::shared_ptr<snapshotJob> &job)
{
    std::lock_guard<std::mutex> guard(lock);
    return job->picture;
}

snapshotJob::state snapshotWriter::statusOf(const std::shared_ptr<snapshotJob> &job)
{
    std::lock_guard<std::mutex> guard(lock);
    return job->status;
}

void snapshotWriter::setBudget(std::size_t bytes)
{
    std::lock_guard<std::mutex> guard(lock);
    budget = bytes;
}

void snapshotWriter::holdWrites(bool hold)
{
    {
        std::lock_guard<std::mutex> guard(lock);
        held = hold;
    }
    changed.notify_all();
}

void reportFailedSnapshots()
{
    std::vector<std::weak_ptr<snapshotJob>> failures;
    {
        std::lock_guard<std::mutex> guard(reportLock);
        failures.swap(unreported);
    }
    QString reason;
    int count = 0;
    for (const auto &entry : failures)
        if (const auto job = entry.lock()) {
            // A step undone or closed since is no longer the user's concern.
            if (snapshotWriter::process().statusOf(job) != snapshotJob::state::failed) continue;
            if (count++ == 0) reason = job->failure;
        }
    if (count == 0) return;
    showMessage(imageTexts::tr("元に戻すための控えをディスクに書き込めませんでした。"
                               "控えはメモリーに残してあるので、元に戻すことはできます。（%1）")
                    .arg(reason));
}
