#include "instancefolder.h"
#include "imagedata/texts.h"

#include "filenames.h"
#include "imageerror.h"
#include "imagefilemanager.h"
#include "messagesink.h"
#include "safewrite.h"

#include <QDir>
#include <QFile>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <map>
#include <set>
#include <memory>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/syscall.h>
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

[[noreturn]] void cannotCreate(const QString &path, int error)
{
    throw imageError(folderFailureText(path, error));
}

// What a signal handler needs to remove the folder of this process without allocating: an open
// descriptor of the folder, and the folders to remove afterwards, each as (descriptor of its
// parent, name). Filled before the handler may look (signalFolderSet), cleared before closing.
struct signalFolder {
    int folder = -1;
    int parents[2] = {-1, -1};
    char names[2][256] = {};
};
signalFolder signalTarget;
std::atomic<int> signalFolderSet{0};
const instanceFolder *signalOwner = nullptr; // whose folder the handler removes

struct linuxDirent {
    unsigned long long inode;
    long long offset;
    unsigned short length;
    unsigned char type;
    char name[1];
};

// Async-signal-safe: only system calls on descriptors opened beforehand.
void removeFolderOnSignal()
{
    if (!signalFolderSet.load()) return;
    const int folder = signalTarget.folder;
    alignas(8) char buffer[4096];
    for (int round = 0; round < 64; ++round) {
        // Every pass starts over: entries removed meanwhile do not shift what is read.
        ::lseek(folder, 0, SEEK_SET);
        bool removed = false;
        long got;
        while ((got = ::syscall(SYS_getdents64, folder, buffer, sizeof buffer)) > 0) {
            for (long at = 0; at < got;) {
                const auto *entry = reinterpret_cast<const linuxDirent *>(buffer + at);
                at += entry->length;
                const char *name = entry->name;
                if ((name[0] == '.' && name[1] == 0) || (name[0] == '.' && name[1] == '.' && name[2] == 0)) continue;
                if (::unlinkat(folder, name, 0) == 0) removed = true;
            }
        }
        if (!removed) break;
    }
    for (int i = 0; i < 2; ++i)
        if (signalTarget.parents[i] >= 0) ::unlinkat(signalTarget.parents[i], signalTarget.names[i], AT_REMOVEDIR);
}

void stopWatching()
{
    if (!signalFolderSet.exchange(0)) return;
    setSignalCleanup(nullptr);
    for (int fd : {signalTarget.folder, signalTarget.parents[0], signalTarget.parents[1]})
        if (fd >= 0) ::close(fd);
    signalTarget = signalFolder();
    signalOwner = nullptr;
}

// Opens what removeFolderOnSignal needs for folder (and, when given, the private folder above
// it that this process made) and hands it to the signal handlers of safewrite.h. One folder at
// a time: the last one taken (the scratch directory moves only in tests).
void watchOnSignals(const instanceFolder *owner, const QByteArray &folder, const QByteArray &ownedBase)
{
    stopWatching();
    signalFolder target;
    target.folder = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    const QByteArray paths[2] = {folder, ownedBase};
    for (int i = 0; i < 2 && target.folder >= 0; ++i) {
        const qsizetype slash = paths[i].lastIndexOf('/');
        const QByteArray name = paths[i].mid(slash + 1);
        if (paths[i].isEmpty() || slash <= 0 || std::size_t(name.size()) >= sizeof target.names[i]) continue;
        target.parents[i] = ::open(paths[i].left(slash).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        std::memcpy(target.names[i], name.constData(), std::size_t(name.size()) + 1);
    }
    if (target.folder < 0) return;
    signalTarget = target;
    signalOwner = owner;
    signalFolderSet.store(1);
    setSignalCleanup(removeFolderOnSignal);
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

// Whether the group of a folder is the user's own (a group of the user's name whose primary group
// it is, as distributions with private user groups give every user): its write right then
// reaches nobody else.
bool privateGroup(gid_t id)
{
    if (id != ::getgid()) return false;
    const passwd *user = ::getpwuid(::getuid());
    const QByteArray name = user && user->pw_name ? QByteArray(user->pw_name) : QByteArray();
    const struct group *entry = ::getgrgid(id);
    return !name.isEmpty() && entry && entry->gr_name && name == entry->gr_name;
}

// A folder above the cache that nobody else can swap the cache's folders in: a folder of this
// user or of root, in which no one else may write, or only where the sticky bit keeps them from
// renaming or removing what is not theirs (/tmp).
bool safeFolderAbove(const struct stat &info)
{
    if (!S_ISDIR(info.st_mode) || (info.st_uid != ::getuid() && info.st_uid != 0)) return false;
    const bool othersWrite = (info.st_mode & S_IWOTH) || ((info.st_mode & S_IWGRP) && !privateGroup(info.st_gid));
    return !othersWrite || (info.st_mode & S_ISVTX);
}

// Why the cache folder holding "korvia" cannot be trusted, or empty. The folder itself (a link
// followed to where it leads) and the folder that holds it must be safe folders (safeFolderAbove);
// the folders further up are the system's and are left alone.
QString untrustedCacheReason(const QString &cache)
{
    char *resolved = ::realpath(QFile::encodeName(cache).constData(), nullptr);
    if (!resolved) return folderFailureText(cache, errno);
    const QByteArray real(resolved);
    std::free(resolved);
    const QByteArray above = real.left(std::max<qsizetype>(1, real.lastIndexOf('/')));
    for (const QByteArray &folder : {real, above}) {
        struct stat info {};
        if (::stat(folder.constData(), &info) != 0) return folderFailureText(QFile::decodeName(folder), errno);
        if (!safeFolderAbove(info))
            return imageTexts::tr("フォルダー %1 はほかのユーザーのものか、ほかのユーザーも書き込めるフォルダーです。")
                .arg(printableName(QFile::decodeName(folder)));
    }
    return QString();
}

} // namespace

instanceFolder::instanceFolder(const QString &base)
{
    makeParents(base);
    ensureDirectory(base);
    // A clean-up started by another instance may remove a folder in the moment between its
    // creation and its lock file: that shows as a failed step, and a new folder is taken.
    int lastError = EAGAIN;
    for (int attempt = 0; attempt < 20; ++attempt) {
        QByteArray made = QFile::encodeName(base + QLatin1Char('/') + QLatin1String(folderPrefix)) + "XXXXXX";
        if (!::mkdtemp(made.data())) cannotCreate(base, errno);
        const QByteArray fresh = made + '/' + newLockName, lock = made + '/' + lockName;
        const int descriptor = ::open(fresh.constData(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (descriptor >= 0 && takeLock(descriptor)
            && ::rename(fresh.constData(), lock.constData()) == 0) {
            folder = QFile::decodeName(made);
            heldFolders().insert(made);
            lockDescriptor = descriptor;
            return;
        }
        const int error = descriptor < 0 ? errno : EAGAIN;
        if (descriptor >= 0) ::close(descriptor);
        ::unlink(fresh.constData());
        ::rmdir(made.constData());
        lastError = error;
    }
    cannotCreate(base, lastError);
}

instanceFolder::~instanceFolder()
{
    if (signalOwner == this) stopWatching();
    const QByteArray native = QFile::encodeName(folder);
    heldFolders().erase(native);
    removeFiles(native);
    ::unlink((native + '/' + lockName).constData());
    ::rmdir(native.constData());
    ::close(lockDescriptor); // the lock goes last: nobody may clean up under our feet
    if (!ownedBase.isEmpty()) ::rmdir(QFile::encodeName(ownedBase).constData());
}

QString instanceFolder::untrustedReason(const QString &base)
{
    // The folders Korvia makes or enters in the cache: "korvia" and its "undo". Each must be a
    // real folder of this user that nobody else may write in; ensureDirectory makes "undo"
    // owner-only, while "korvia" is only judged.
    const QString parent = base.left(base.lastIndexOf(QLatin1Char('/')));
    const QByteArray native = QFile::encodeName(parent);
    // The cache above them first, before "korvia" is made in it: a link into a folder others may
    // write in, or a cache of someone else, would hand them "korvia" whatever it looks like now.
    makeParents(parent);
    if (const QString reason = untrustedCacheReason(parent.left(parent.lastIndexOf(QLatin1Char('/')))); !reason.isEmpty())
        return reason;
    makeParents(base);
    struct stat info {};
    if (::lstat(native.constData(), &info) != 0) return folderFailureText(parent, errno);
    if (!S_ISDIR(info.st_mode) || info.st_uid != ::getuid() || (info.st_mode & 022) != 0)
        return imageTexts::tr("フォルダー %1 はほかのユーザーのものか、ほかのユーザーも書き込めるフォルダーです。")
            .arg(printableName(parent));
    try {
        ensureDirectory(base);
    } catch (const imageError &e) {
        return e.message();
    }
    return QString();
}

std::unique_ptr<instanceFolder> instanceFolder::privateFallback()
{
    // The runtime folder of the session when it is the user's own and private, else /tmp: a
    // fresh folder made there by mkdtemp cannot be anyone else's.
    QString root = QStringLiteral("/tmp");
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    struct stat info {};
    if (QDir::isAbsolutePath(runtime) && ::lstat(QFile::encodeName(runtime).constData(), &info) == 0
        && S_ISDIR(info.st_mode) && info.st_uid == ::getuid() && (info.st_mode & 077) == 0)
        root = QDir::cleanPath(runtime);
    QByteArray made = QFile::encodeName(root + QStringLiteral("/korvia-undo-")) + "XXXXXX";
    if (!::mkdtemp(made.data())) cannotCreate(QFile::decodeName(made), errno);
    ::chmod(made.constData(), 0700);
    try {
        auto taken = std::make_unique<instanceFolder>(QFile::decodeName(made));
        taken->ownedBase = QFile::decodeName(made);
        return taken;
    } catch (...) {
        ::rmdir(made.constData());
        throw;
    }
}

const instanceFolder &instanceFolder::process()
{
    // One folder per scratch directory asked for; the directory moves only in tests.
    static std::map<QString, std::unique_ptr<instanceFolder>> folders;
    const QString base = scratchDirectory();
    std::unique_ptr<instanceFolder> &taken = folders[base];
    if (!taken) {
        const QString reason = untrustedReason(base);
        if (reason.isEmpty()) {
            taken = std::make_unique<instanceFolder>(base);
            removeAbandoned(base); // our own folder is locked, so it stays
        } else {
            taken = privateFallback();
        }
        // A logout (SIGTERM), Ctrl-C or a closed terminal takes the snapshots along, also while
        // the message below waits for the user.
        watchOnSignals(taken.get(), QFile::encodeName(taken->folder), QFile::encodeName(taken->ownedBase));
        if (!reason.isEmpty())
            showMessage(reason + QStringLiteral("\n") + imageTexts::tr("元に戻すための控えは、代わりに自分だけが使えるフォルダー %1 に置きます。")
                        .arg(printableName(taken->ownedBase)));
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
