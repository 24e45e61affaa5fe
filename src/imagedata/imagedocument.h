// One open picture: its 32-bit bitmap, the file it came from, its EXIF data, whether it has
// changed, and its undo history kept on disk as BMP snapshots in the scratch directory.
//
// With writing behind switched on (the program does; tests and korvia-batch write in place), a
// snapshot is a shared copy of the picture handed to the process's snapshotWriter, which writes
// the file while the change goes on; undo takes the copy while the file is not written yet, and
// a step whose write failed stays in memory (told once through showMessage). Clearing and
// destruction cancel pending writes without waiting for them, and no file is left behind.
//
// Snapshot n (1..50) is snapshotPrefix + n + ".BMP". The prefix is the folder of this running
// instance (instanceFolder, private to it) followed by the document's identity: a per-process
// count of documents in a fixed ten decimal digits, so no identity + n reads as another
// identity + m.
#pragma once
#include "exifreader.h"
#include "losslessjpeg.h"
#include "picturemetadata.h"

#include <QImage>
#include <QString>
#include <memory>
#include <vector>

struct snapshotJob;

class imageDocument {
public:
    struct undoProperty {
        QString fileName; // the snapshot file this record stands for
        losslessEdits editsBefore; // the chain of whole-block moves before the step
    };

    explicit imageDocument(void *owner = nullptr);
    ~imageDocument();
    imageDocument(const imageDocument &) = delete;
    imageDocument &operator=(const imageDocument &) = delete;

    QImage bitmap;            // Format_RGB32 once loaded; created empty (a null 0 x 0 QImage)
    QString path;             // full file name as opened or last saved under a new name
    QString name;             // path without its directory
    int fileType = 0;         // 0 unknown, 1 JPEG, 2 BMP, 3 and on: picturesignature.h
    QString snapshotPrefix;   // the instance's snapshot folder + "/" + identity
    QString snapshotName;     // the snapshot last named (by takeSnapshot or undo)
    int undoCount = 0;        // snapshots on disk, 0..50
    exifReader exif;
    pictureMetadata metadata; // the opened JPEG's camera record, XMP and profile, for JPEG saves
    // The JPEG file the picture was opened from or last saved as (empty for other formats), and
    // how the picture comes from its stored blocks while the changes since are only turns,
    // mirrors and trims (losslessjpeg.h): a save can then write it without a new loss. Every
    // snapshot makes the chain unknown; a transform's commit that keeps it sets it after the
    // snapshot (then), and undo puts back the chain its step found.
    QByteArray storedJpeg;
    losslessEdits edits;
    bool unchanged = true;
    double viewScale = 1.0;
    void *owner = nullptr;    // the window that created the document
    std::vector<undoProperty> history; // one record per stored snapshot, oldest first

    static constexpr int maximumSnapshots = 50;

    // Stores the picture as the newest snapshot. Throws imageError (scratch directory not
    // usable, snapshot not writable); the document is then exactly as before. Written behind,
    // only a folder that cannot be made (or, with the memory budget used up by failed writes,
    // a write made in place) can throw.
    void takeSnapshot();
    // Puts the newest snapshot back into bitmap and deletes it; nothing without a snapshot.
    // Throws imageError if the snapshot cannot be read (the document is then unchanged).
    // A snapshot still held in memory is taken from there without waiting.
    void undo();
    // The same in two steps, for a caller that reads on another thread: undoPicture() reads the
    // picture before the last change (held in memory, or from its file; throws when it cannot be
    // read, changing nothing) and undoWith() puts it in place and drops the step. Nothing else
    // may change the history in between.
    QImage undoPicture() const;
    void undoWith(const QImage &restored);
    // The file the picture now comes from, after an open or a save: a JPEG's bytes start a new
    // chain of whole-block moves, anything else (empty) none. A chain whose picture would not be
    // the bitmap's size (or a file the transform API cannot read) stays unknown.
    void startEdits(const QByteArray &jpeg);
    // Deletes every snapshot file; undoCount becomes 0. Pending writes are cancelled, not
    // waited for.
    void clearHistory();

    // Whether takeSnapshot hands the picture to the background writer (true) or writes the
    // file before it returns (false, the default). Process-wide.
    static void setWriteBehind(bool on);
    static bool writeBehind();
    // Waits until every snapshot of this document is written or has failed.
    void waitForSnapshots();
    // Whether snapshot n (1..undoCount) is held in memory: not written yet, or its write failed.
    bool snapshotInMemory(int n) const;
    // The naming step of takeSnapshot: makes sure the scratch directory exists, counts the
    // new snapshot (dropping the oldest when 50 are stored) and sets snapshotName.
    void nextSnapshotName();
    // prefix + n + ".BMP"
    QString snapshotFile(int n) const;
    // The folder the snapshots live in: the instance's folder when the document was made, so
    // the prefix and the folder that is checked always agree.
    QString snapshotFolder() const;
    // The identity digits of this document (also the tail of snapshotPrefix).
    QString identity() const { return identityText; }

private:
    QString identityText;
    bool folderTaken = false; // false while no instance folder could be made for the prefix
    // One per history record: the job of a snapshot written behind, null for one written in place.
    std::vector<std::shared_ptr<snapshotJob>> steps;
    // Drops snapshot 1 and moves the others down by one, files, records and steps alike.
    void dropOldest();
    // Makes sure the prefix names a usable folder; throws imageError otherwise.
    void prepareFolder();
};
