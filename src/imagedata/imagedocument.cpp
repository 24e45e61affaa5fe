#include "imagedocument.h"

#include "imagefilemanager.h"
#include "imageerror.h"
#include "instancefolder.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

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
        throw imageError(QStringLiteral("元に戻すための控え %1 の名前を %2 に変えられません。（%3）")
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
    prepareFolder();
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
