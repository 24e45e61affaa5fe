#include "imagedocument.h"

#include "imagefilemanager.h"
#include "imageerror.h"

#include <QFile>

#include <algorithm>
#include <cstdio>
#include <unistd.h>

namespace {

// Fixed width identities: ten digits of process id, six of a per-process counter. Running
// instances differ in the first part, documents of one instance in the second, and with a
// fixed width no identity followed by a snapshot number reads as another one.
QString newIdentity()
{
    static unsigned counter = 0;
    counter = (counter + 1) % 1000000u;
    return QStringLiteral("%1%2")
        .arg(static_cast<qulonglong>(::getpid()), 10, 10, QLatin1Char('0'))
        .arg(counter, 6, 10, QLatin1Char('0'));
}

void renameReplacing(const QString &from, const QString &to)
{
    const QByteArray source = QFile::encodeName(from), target = QFile::encodeName(to);
    if (::rename(source.constData(), target.constData()) != 0)
        throw imageError(QStringLiteral("Cannot rename the undo snapshot %1 to %2.").arg(from, to));
}

} // namespace

imageDocument::imageDocument(void *creator)
    : bitmap(0, 0, QImage::Format_RGB32), owner(creator), identityText(newIdentity())
{
    snapshotPrefix = scratchDirectory() + QLatin1Char('/') + identityText;
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

void imageDocument::nextSnapshotName()
{
    ensureDirectory(snapshotFolder());
    undoCount += 1;
    if (undoCount > maximumSnapshots) {
        // Drop the oldest: every other snapshot moves down by one, and so do the records.
        for (int n = 1; n < maximumSnapshots; ++n)
            if (QFile::exists(snapshotFile(n + 1)))
                renameReplacing(snapshotFile(n + 1), snapshotFile(n));
        if (!history.empty())
            history.erase(history.begin());
        for (std::size_t i = 0; i < history.size(); ++i)
            history[i].fileName = snapshotFile(static_cast<int>(i) + 1);
    }
    undoCount = std::min(undoCount, maximumSnapshots);
    snapshotName = snapshotFile(undoCount);
}

void imageDocument::takeSnapshot()
{
    // The picture is written first, under a name no stored snapshot uses, so a write that fails
    // (full disk) leaves the count, the names, the files and the history as they were.
    ensureDirectory(snapshotFolder());
    const int next = undoCount + 1;
    saveImageFile(bitmap, snapshotFile(next), 2, 100);
    if (next <= maximumSnapshots) {
        undoCount = next;
        snapshotName = snapshotFile(next);
        history.push_back(undoProperty{snapshotName});
        return;
    }
    // The 51st: drop the oldest, move the others down and put the new one last.
    QFile::remove(snapshotFile(1));
    for (int n = 1; n < maximumSnapshots; ++n)
        if (QFile::exists(snapshotFile(n + 1)))
            renameReplacing(snapshotFile(n + 1), snapshotFile(n));
    renameReplacing(snapshotFile(next), snapshotFile(maximumSnapshots));
    if (!history.empty())
        history.erase(history.begin());
    for (std::size_t i = 0; i < history.size(); ++i)
        history[i].fileName = snapshotFile(static_cast<int>(i) + 1);
    undoCount = maximumSnapshots;
    snapshotName = snapshotFile(maximumSnapshots);
    history.push_back(undoProperty{snapshotName});
}

void imageDocument::undo()
{
    if (undoCount < 1)
        return;
    const QString name = snapshotFile(undoCount);
    // Read into a separate picture so a snapshot that cannot be read changes nothing.
    QImage restored;
    loadImageFile(restored, name);
    bitmap = restored;
    snapshotName = name;
    undoCount -= 1;
    if (!history.empty())
        history.pop_back();
    QFile::remove(name);
    unchanged = undoCount <= 0;
}

void imageDocument::clearHistory()
{
    for (const undoProperty &record : history)
        if (QFile::exists(record.fileName))
            QFile::remove(record.fileName);
    history.clear();
    undoCount = 0;
}
