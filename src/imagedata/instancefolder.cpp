#include "instancefolder.h"

#include "imageerror.h"
#include "imagefilemanager.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <map>
#include <set>
#include <memory>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const char *const lockName = "lock";
const char *const newLockName = "lock.new";  // the lock file until it is locked
const char *const folderPrefix = "instance-";

// The folders this process holds. They are never cleaned up as abandoned, whatever a lock test
// says: where flock is emulated by per-process record locks (NFS), this process would be granted
// its own lock and would remove its own snapshots.
std::set<QByteArray> &heldFolders()
{
    // Never destroyed: folders held in statics are let go at exit, after any other static.
    static auto *held = new std::set<QByteArray>;
    return *held;
}

[[noreturn]] void cannotCreate()
{
    throw imageError(QStringLiteral("Cannot create c:\\temp directory."));
}

// Creates the missing folders above path, owner-only as a cache folder should be. Failures are
// left to the check of path itself.
void makeParents(const QString &path)
{
    const QByteArray native = QFile::encodeName(QDir::cleanPath(path));
    for (qsizetype i = 1; i < native.size(); ++i)
        if (native[i] == '/') ::mkdir(native.left(i).constData(), 0700);
}

// Deletes the plain files of folder, all but the lock file (which is left to its holder).
void removeFiles(const QByteArray &folder)
{
    const int descriptor = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (descriptor < 0) return;
    DIR *listing = ::fdopendir(descriptor);
    if (!listing) {
        ::close(descriptor);
        return;
    }
    while (const dirent *entry = ::readdir(listing)) {
        const char *name = entry->d_name;
        if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0 || std::strcmp(name, lockName) == 0)
            continue;
        ::unlinkat(descriptor, name, 0); // a folder inside stays, and so does its parent
    }
    ::closedir(listing);
}

// Takes the folder's lock. A file system that keeps no locks at all (some network and FUSE
// mounts) must not cost the user the undo history: the folder is then used unlocked, and other
// instances, which cannot lock it either, leave it alone as if it were running.
bool takeLock(int descriptor)
{
    if (::flock(descriptor, LOCK_EX | LOCK_NB) == 0) return true;
    return errno == ENOLCK || errno == EOPNOTSUPP || errno == ENOSYS || errno == EINVAL;
}

bool ownDirectory(const QByteArray &path)
{
    struct stat info {};
    return ::lstat(path.constData(), &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == ::getuid();
}

} // namespace

instanceFolder::instanceFolder(const QString &base)
{
    makeParents(base);
    ensureDirectory(base);
    // A clean-up started by another instance may remove a folder in the moment between its
    // creation and its lock file: that shows as a failed step, and a new folder is taken.
    for (int attempt = 0; attempt < 20; ++attempt) {
        QByteArray made = QFile::encodeName(base + QLatin1Char('/') + QLatin1String(folderPrefix)) + "XXXXXX";
        if (!::mkdtemp(made.data())) cannotCreate();
        const QByteArray fresh = made + '/' + newLockName, lock = made + '/' + lockName;
        const int descriptor = ::open(fresh.constData(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (descriptor >= 0 && takeLock(descriptor)
            && ::rename(fresh.constData(), lock.constData()) == 0) {
            folder = QFile::decodeName(made);
            heldFolders().insert(made);
            lockDescriptor = descriptor;
            return;
        }
        if (descriptor >= 0) ::close(descriptor);
        ::unlink(fresh.constData());
        ::rmdir(made.constData());
    }
    cannotCreate();
}

instanceFolder::~instanceFolder()
{
    const QByteArray native = QFile::encodeName(folder);
    heldFolders().erase(native);
    removeFiles(native);
    ::unlink((native + '/' + lockName).constData());
    ::rmdir(native.constData());
    ::close(lockDescriptor); // the lock goes last: nobody may clean up under our feet
}

const instanceFolder &instanceFolder::process()
{
    // One folder per scratch directory asked for; the directory moves only in tests.
    static std::map<QString, std::unique_ptr<instanceFolder>> folders;
    const QString base = scratchDirectory();
    std::unique_ptr<instanceFolder> &taken = folders[base];
    if (!taken) {
        taken = std::make_unique<instanceFolder>(base);
        removeAbandoned(base); // our own folder is locked, so it stays
    }
    return *taken;
}

int instanceFolder::removeAbandoned(const QString &base)
{
    const QByteArray root = QFile::encodeName(base);
    if (!ownDirectory(root)) return 0;
    QList<QByteArray> candidates;
    if (DIR *listing = ::opendir(root.constData())) {
        while (const dirent *entry = ::readdir(listing))
            if (std::strncmp(entry->d_name, folderPrefix, std::strlen(folderPrefix)) == 0)
                candidates.append(root + '/' + entry->d_name);
        ::closedir(listing);
    }
    int removed = 0;
    for (const QByteArray &candidate : candidates) {
        if (!ownDirectory(candidate) || heldFolders().count(candidate)) continue;
        const QByteArray lock = candidate + '/' + lockName;
        const int descriptor = ::open(lock.constData(), O_RDWR | O_NOFOLLOW | O_CLOEXEC);
        if (descriptor < 0) {
            // No lock yet: an instance in its first moments, or one that died in them. Only an
            // empty folder goes; a starting instance then simply takes another one.
            if (errno == ENOENT && ::rmdir(candidate.constData()) == 0) ++removed;
            continue;
        }
        if (::flock(descriptor, LOCK_EX | LOCK_NB) != 0) { // its instance is running (or no locks)
            ::close(descriptor);
            continue;
        }
        removeFiles(candidate);
        ::unlink(lock.constData());
        if (::rmdir(candidate.constData()) == 0) ++removed;
        ::close(descriptor);
    }
    return removed;
}
