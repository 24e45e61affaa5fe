#include "imagedocument.h"
#include "imagedata/texts.h"

#include "imagefilemanager.h"
#include "imageerror.h"
#include "instancefolder.h"
#include "snapshotwriter.h"

#include <QFile>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <utility>

namespace {

std::atomic<bool> writingBehind{false};

// Fixed width identities: documents of one instance differ in their count, instances in their
// folders, and with a fixed width no identity followed by a snapshot number reads as another.
QString newIdentity()
{
    static qulonglong counter = 0;
    counter = (counter + 1) % 10000000000ULL;
    return QStringLiteral("%1").arg(counter, 10, 10, QLatin1Char('0'));
}

void renameReplacing(const QString &from, const QString &to)
{
    const QByteArray source = QFile::encodeName(from), target = QFile::encodeName(to);
    if (::rename(source.constData(), target.constData()) != 0) {
        const QString detail = QString::fromLocal8Bit(std::strerror(errno));
        throw imageError(imageTexts::tr("元に戻すための控え %1 の名前を %2 に変えられません。（%3）")
                             .arg(from, to, detail));
    }
}

} // namespace

imageDocument::imageDocument(void *creator)
    : bitmap(0, 0, QImage::Format_RGB32), owner(creator), identityText(newIdentity())
{
    try {
        snapshotPrefix = instanceFolder::process().path() + QLatin1Char('/') + identityText;
        folderTaken = true;
    } catch (const imageError &) {
        // Told at the first snapshot, which tries again.
        snapshotPrefix = scratchDirectory() + QLatin1Char('/') + identityText;
    }
}

imageDocument::~imageDocument()
{
    clearHistory();
}

QString imageDocument::snapshotFile(int n) const
{
    return snapshotPrefix + QString::number(n) + QStringLiteral(".BMP");
}

QString imageDocument::snapshotFolder() const
{
    return snapshotPrefix.left(snapshotPrefix.lastIndexOf(QLatin1Char('/')));
}

void imageDocument::prepareFolder()
{
    if (!folderTaken) { // nothing stored yet, so the names may still move
        snapshotPrefix = instanceFolder::process().path() + QLatin1Char('/') + identityText;
        folderTaken = true;
    }
    // A folder removed behind the program's back is made again, owner-only.
    ensureDirectory(snapshotFolder());
}

void imageDocument::nextSnapshotName()
{
    prepareFolder();
    undoCount += 1;
    if (undoCount > maximumSnapshots) {
        // Drop the oldest: every other snapshot moves down by one, and so do the records.
        snapshotWriter::process().waitForAll();
        for (int n = 1; n < maximumSnapshots; ++n)
            if (QFile::exists(snapshotFile(n + 1)))
                renameReplacing(snapshotFile(n + 1), snapshotFile(n));
        if (!history.empty())
            history.erase(history.begin());
        if (!steps.empty()) {
            snapshotWriter::process().cancel(steps.front());
            steps.erase(steps.begin());
        }
        for (std::size_t i = 0; i < history.size(); ++i)
            history[i].fileName = snapshotFile(static_cast<int>(i) + 1);
    }
    undoCount = std::min(undoCount, maximumSnapshots);
    snapshotName = snapshotFile(undoCount);
}

void imageDocument::setWriteBehind(bool on)
{
    writingBehind = on;
}

bool imageDocument::writeBehind()
{
    return writingBehind;
}

void imageDocument::dropOldest()
{
    // The names move: every write of a name in use (this document's, or an undone step's being
    // written still) is over first.
    snapshotWriter &writer = snapshotWriter::process();
    writer.waitForAll();
    if (!steps.empty())
        writer.cancel(steps.front()); // a failed step kept in memory goes with its record
    QFile::remove(snapshotFile(1));
    // A step held in memory has no file: the names of the others move down all the same.
    for (int n = 1; n < maximumSnapshots; ++n)
        if (QFile::exists(snapshotFile(n + 1)))
            renameReplacing(snapshotFile(n + 1), snapshotFile(n));
    if (!history.empty())
        history.erase(history.begin());
    if (!steps.empty())
        steps.erase(steps.begin());
    for (std::size_t i = 0; i < history.size(); ++i)
        history[i].fileName = snapshotFile(static_cast<int>(i) + 1);
    undoCount = std::min(undoCount, maximumSnapshots - 1);
}

void imageDocument::takeSnapshot()
{
    prepareFolder();
    const int next = undoCount + 1;
    const std::size_t bytes = bitmap.isNull() ? 0 : std::size_t(bitmap.sizeInBytes());
    if (writingBehind && snapshotWriter::process().makeRoom(bytes)) {
        // The picture as it is now, shared with the bitmap until the change writes into it.
        if (next > maximumSnapshots)
            dropOldest();
        auto job = std::make_shared<snapshotJob>();
        job->picture = bitmap;
        job->file = snapshotFile(undoCount + 1);
        history.reserve(history.size() + 1);
        steps.reserve(steps.size() + 1);
        snapshotWriter::process().submit(job);
        undoCount += 1;
        snapshotName = job->file;
        history.push_back(undoProperty{snapshotName, std::exchange(edits, losslessEdits())});
        steps.push_back(job);
        return;
    }
    // Written in place. The picture is written first, under a name no stored snapshot uses, so
    // a write that fails (full disk) leaves the count, the names, the files and the history as
    // they were. The writer is done with every name before one is written here.
    if (writingBehind)
        snapshotWriter::process().waitForAll();
    saveImageFile(bitmap, snapshotFile(next), 2, 100);
    if (next <= maximumSnapshots) {
        undoCount = next;
        snapshotName = snapshotFile(next);
        history.push_back(undoProperty{snapshotName, std::exchange(edits, losslessEdits())});
        steps.push_back(nullptr);
        return;
    }
    // The 51st: drop the oldest, move the others down and put the new one last.
    dropOldest();
    renameReplacing(snapshotFile(next), snapshotFile(maximumSnapshots));
    undoCount = maximumSnapshots;
    snapshotName = snapshotFile(maximumSnapshots);
    history.push_back(undoProperty{snapshotName, std::exchange(edits, losslessEdits())});
    steps.push_back(nullptr);
}

void imageDocument::undo()
{
    if (undoCount < 1)
        return;
    undoWith(undoPicture());
}

QImage imageDocument::undoPicture() const
{
    if (undoCount < 1)
        return bitmap;
    const std::shared_ptr<snapshotJob> job =
        steps.size() == std::size_t(undoCount) ? steps.back() : nullptr;
    // Read into a separate picture so a snapshot that cannot be read changes nothing. One not
    // written yet (or whose write failed) is still in memory: no waiting for the file.
    QImage restored;
    if (job)
        restored = snapshotWriter::process().heldPicture(job);
    if (restored.isNull())
        loadImageFile(restored, snapshotFile(undoCount));
    return restored;
}

void imageDocument::undoWith(const QImage &restored)
{
    if (undoCount < 1)
        return;
    const QString name = snapshotFile(undoCount);
    bitmap = restored;
    snapshotName = name;
    undoCount -= 1;
    if (!history.empty()) {
        edits = history.back().editsBefore;
        history.pop_back();
    }
    if (!steps.empty()) {
        snapshotWriter::process().cancel(steps.back()); // a write going on removes its file
        steps.pop_back();
    }
    QFile::remove(name);
    unchanged = undoCount <= 0;
}

void imageDocument::waitForSnapshots()
{
    for (const auto &job : steps)
        if (job)
            snapshotWriter::process().wait(job);
}

bool imageDocument::snapshotInMemory(int n) const
{
    if (n < 1 || std::size_t(n) > steps.size() || !steps[std::size_t(n - 1)])
        return false;
    return snapshotWriter::process().statusOf(steps[std::size_t(n - 1)]) != snapshotJob::state::written;
}

void imageDocument::startEdits(const QByteArray &jpeg)
{
    storedJpeg = jpeg;
    edits = losslessEdits::ofJpeg(jpeg);
    if (edits.shownSize() != bitmap.size())
        edits = losslessEdits();
}

void imageDocument::clearHistory()
{
    // Writes not done yet are dropped (or their files removed when they end), never waited for.
    for (const auto &job : steps)
        snapshotWriter::process().cancel(job);
    steps.clear();
    for (const undoProperty &record : history)
        if (QFile::exists(record.fileName))
            QFile::remove(record.fileName);
    history.clear();
    undoCount = 0;
}
