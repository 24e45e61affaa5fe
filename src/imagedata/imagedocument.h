// One open picture: its 32-bit bitmap, the file it came from, its EXIF data, whether it has
// changed, and its undo history kept on disk as BMP snapshots in the scratch directory.
//
// Snapshot n (1..50) is snapshotPrefix + n + ".BMP". The prefix is the folder of this running
// instance (instanceFolder, private to it) followed by the document's identity: a per-process
// count of documents in a fixed ten decimal digits, so no identity + n reads as another
// identity + m.
#pragma once
#include "exifreader.h"
#include "picturemetadata.h"

#include <QImage>
#include <QString>
#include <vector>

class imageDocument {
public:
    struct undoProperty {
        QString fileName; // the snapshot file this record stands for
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
    bool unchanged = true;
    double viewScale = 1.0;
    void *owner = nullptr;    // the window that created the document
    std::vector<undoProperty> history; // one record per stored snapshot, oldest first

    static constexpr int maximumSnapshots = 50;

    // Stores the picture as the newest snapshot. Throws imageError (scratch directory not
    // usable, snapshot not writable); the document is then exactly as before.
    void takeSnapshot();
    // Puts the newest snapshot back into bitmap and deletes it; nothing without a snapshot.
    // Throws imageError if the snapshot cannot be read (the document is then unchanged).
    void undo();
    // Deletes every snapshot file; undoCount becomes 0.
    void clearHistory();
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
    // Makes sure the prefix names a usable folder; throws imageError otherwise.
    void prepareFolder();
};
