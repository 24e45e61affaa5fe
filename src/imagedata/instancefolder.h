// The private folder a running Korvia keeps its undo snapshots in.
//
// The scratch directory (scratchDirectory(), in the user's cache) holds one folder per running
// instance, "instance-" plus six random characters, made atomically (mkdtemp) so that no two
// instances can ever share one, whatever their process ids. Each folder holds a file "lock" on
// which its instance keeps an exclusive flock for as long as it runs; the lock is taken before the
// file gets its final name, so a "lock" that can be locked by someone else belongs to an instance
// that is gone. At start-up such folders are removed with their snapshots.
#pragma once
#include <QString>
#include <memory>

class instanceFolder {
public:
    // Makes the scratch directory base if needed (owner-only, missing parents too), takes a new
    // folder inside it and locks it. Throws imageError (folderFailureText: which folder, and why)
    // when any of that cannot be done.
    explicit instanceFolder(const QString &base);
    // Removes the folder with everything still in it and lets go of the lock.
    ~instanceFolder();
    instanceFolder(const instanceFolder &) = delete;
    instanceFolder &operator=(const instanceFolder &) = delete;

    const QString &path() const { return folder; }

    // The folder of this process in the scratch directory as it is now, taken on first use
    // after the folders of instances that are gone have been removed; it lives until the
    // program ends, and SIGINT, SIGTERM and SIGHUP remove it (through removeTemporaryOnSignals).
    // When the cache cannot be trusted (untrustedReason) it says so through showMessage and
    // takes a folder inside a fresh owner-only folder of its own in $XDG_RUNTIME_DIR or /tmp
    // instead. Throws like the constructor, and tries again on the next call.
    static const instanceFolder &process();

    // Why the scratch directory base (and the "korvia" folder above it) cannot be trusted with
    // the snapshots, or empty: each must be a real folder of this user that nobody else may
    // write in. The cache folder holding "korvia" ($XDG_CACHE_HOME, ~/.cache), followed where a
    // link leads, and the folder holding that must each belong to this user or to root and be
    // closed to others' writes unless the sticky bit keeps others' hands off (/tmp); it is
    // judged before "korvia" is made in it. Makes the folders when they are missing.
    static QString untrustedReason(const QString &base);

    // Removes every instance folder in base whose lock nobody holds (with its snapshots), and
    // empty folders that never got a lock; the folders of running instances are left alone.
    // Returns how many folders were removed.
    static int removeAbandoned(const QString &base);

private:
    static std::unique_ptr<instanceFolder> privateFallback();

    QString folder;
    QString ownedBase; // the private folder made for it, removed with it
    int lockDescriptor = -1;
};
