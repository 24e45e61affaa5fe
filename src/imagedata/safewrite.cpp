#include "safewrite.h"
#include "imagedata/texts.h"

#include "imageerror.h"
#include "progress.h"
#include "workerpool.h"

#include <QFile>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace {

// The temporaries of the writes in progress (korvia-batch writes several photos at once), for
// the signal handler. A slot's name is complete before its flag says so, and the flag is cleared
// only after the name has left the folder (renamed or removed), so the handler never removes
// anything but our own temporaries. A write that finds no free slot goes on untracked, and so
// do those of the undo snapshot writer, whose whole folder goes on those signals.
//
// Other threads go on running while one of them runs the handler, so a slot says where its file
// stands: 1 taken, 2 named and being made, 3 made. The handler first says the process is ending;
// a thread that names a temporary after that makes no file, and one already making it is waited
// for, so that no file appears after the handler has looked (both sides use sequentially
// consistent atomics: either the thread sees the end, or the handler sees its slot at 2).
constexpr int pendingSlots = 64;
char pendingName[pendingSlots][4096];
std::atomic<int> pendingSet[pendingSlots];
std::atomic<bool> processEnding{false};
thread_local bool leavesTheSlot = false; // untrackTemporariesOfThisThread
thread_local int slotBeingMade = -1;     // this thread's slot while it is at 2
static_assert(std::atomic<int>::is_always_lock_free);

// More to remove when a signal ends the process (the undo folder of a window); async-signal-safe.
std::atomic<signalCleanup> extraCleanup{nullptr};

extern "C" void removePendingAndRaise(int signalNumber)
{
    processEnding.store(true);
    for (int i = 0; i < pendingSlots; ++i) {
        // Another thread making its file now: wait the moment until it is made (or not).
        for (long spin = 0; spin < 100000000L && i != slotBeingMade && pendingSet[i].load() == 2; ++spin) {
        }
        if (pendingSet[i].load() >= 2)
            ::unlink(pendingName[i]);
    }
    if (const signalCleanup cleanup = extraCleanup.load())
        cleanup();
    ::signal(signalNumber, SIG_DFL);
    ::raise(signalNumber);
}

saveFailureHook &failureHook()
{
    static saveFailureHook hook;
    return hook;
}

QString systemText(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

imageError writeFailure(const QString &target, int error)
{
    if (error == EFBIG) // SIGXFSZ is ignored: the file-size limit (ulimit -f) or the file system's
        return imageError(imageTexts::tr("%1 に書き込めません: ファイルの大きさの上限（ulimit -f "
                                         "またはファイルシステムの上限）を超えます: %2")
                              .arg(target, systemText(error)));
    return imageError(imageTexts::tr("%1 に書き込めません: %2").arg(target, systemText(error)));
}

targetTaken takenFailure(const QString &target)
{
    return targetTaken(imageTexts::tr("%1 は既にあります。置き換えずに残しました。").arg(target));
}

QString randomLetters()
{
    static const char letters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    thread_local std::mt19937_64 generator{std::random_device{}() ^ (std::uint64_t(::getpid()) << 32)};
    QString text;
    for (int i = 0; i < 10; ++i)
        text += QLatin1Char(letters[generator() % (sizeof letters - 1)]);
    return text;
}

// Makes the file name (make returns 0 or the errno of its failure), registered for the signal
// handler before make creates it, so that no moment leaves a file the handler would not know of.
int makePending(const QByteArray &name, const std::function<int(const QByteArray &)> &make)
{
    // A free slot is taken (0 -> 1), filled, shown to the handler (1 -> 2), made (2 -> 3).
    int slot = -1;
    if (!leavesTheSlot && std::size_t(name.size()) < sizeof pendingName[0])
        for (int i = 0; i < pendingSlots && slot < 0; ++i) {
            int expected = 0;
            if (pendingSet[i].compare_exchange_strong(expected, 1))
                slot = i;
        }
    if (slot >= 0) {
        std::memcpy(pendingName[slot], name.constData(), std::size_t(name.size()) + 1);
        slotBeingMade = slot;
        pendingSet[slot].store(2);
        if (processEnding.load()) { // a signal is ending the process: make nothing more
            pendingSet[slot].store(0);
            slotBeingMade = -1;
            return EINTR;
        }
    }
    const int error = make(name);
    if (slot >= 0) {
        pendingSet[slot].store(error == 0 ? 3 : 0);
        slotBeingMade = -1;
    }
    return error;
}

// Gives a temporary its hidden name beside the target through makePending; EEXIST tries another
// name. Returns the name, or leaves it empty and sets error.
QByteArray namePending(const QString &folder, const std::function<int(const QByteArray &)> &make, int &error)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QByteArray name = QFile::encodeName(folder + QStringLiteral(".korvia-save-") + randomLetters());
        error = makePending(name, make);
        if (error == 0)
            return name;
        if (error != EEXIST)
            return {};
    }
    error = EEXIST;
    return {};
}

void forget(const QByteArray &name)
{
    for (int i = 0; i < pendingSlots; ++i)
        if (pendingSet[i].load() == 3 && std::strcmp(pendingName[i], name.constData()) == 0) {
            pendingSet[i].store(0);
            return;
        }
}

} // namespace

int writeAll(int fd, const char *data, std::size_t size)
{
    while (size > 0) {
        const ssize_t done = ::write(fd, data, size);
        if (done < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        if (done == 0)
            return ENOSPC;
        data += done;
        size -= static_cast<std::size_t>(done);
    }
    return 0;
}

namespace {

void forgetAndRemove(const QByteArray &temporary)
{
    ::unlink(temporary.constData());
    forget(temporary);
}

bool sameFile(const char *one, const char *other)
{
    struct stat a {}, b {};
    return ::stat(one, &a) == 0 && ::stat(other, &b) == 0 && a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// Gives the complete temporary the target's name only while the name is free; 0, EEXIST when it
// is taken, or the errno of another failure. The temporary is gone on success.
int placeWithoutReplacing(const QByteArray &temporary, const QByteArray &targetPath)
{
    if (::renameat2(AT_FDCWD, temporary.constData(), AT_FDCWD, targetPath.constData(), RENAME_NOREPLACE) == 0)
        return 0;
    int error = errno;
    if (error != EINVAL && error != ENOSYS && error != EOPNOTSUPP && error != ENOTSUP)
        return error;
    // No RENAME_NOREPLACE here (NFS, older kernels): a hard link fails on a taken name as well. Over
    // NFS a link may have been made although the call says otherwise: the two names then are one file.
    if (::link(temporary.constData(), targetPath.constData()) == 0 ||
        ((error = errno), sameFile(temporary.constData(), targetPath.constData()))) {
        ::unlink(temporary.constData());
        return 0;
    }
    if (error != EPERM && error != EOPNOTSUPP && error != ENOTSUP && error != ENOSYS && error != EMLINK)
        return error;
    // No hard links either: the name is taken first by an empty file (known to the signal
    // handler, so an interruption removes it too), which the complete one then replaces.
    error = makePending(targetPath, [](const QByteArray &name) {
        const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0)
            return errno;
        ::close(fd);
        return 0;
    });
    if (error != 0)
        return error;
    if (::rename(temporary.constData(), targetPath.constData()) != 0) {
        error = errno;
        forgetAndRemove(targetPath);
        return error;
    }
    forget(targetPath);
    return 0;
}

// A file still open as fd, already holding all its bytes: it is closed and renamed over the
// target (or, keeping an existing target, given its name only while it is free), or removed
// with a message naming the target.
void finishTemporary(const QString &target, const QByteArray &targetPath, const QByteArray &temporary, int fd,
                     existingTarget existing)
{
    if (::close(fd) != 0) {
        const int error = errno;
        forgetAndRemove(temporary);
        throw writeFailure(target, error);
    }
    // A save cancelled by the user while it wrote ends here: the old file stays as it was.
    if (cancelRequestedHere()) {
        forgetAndRemove(temporary);
        throw operationCancelled{};
    }
    if (failureHook() && !failureHook()(QFile::decodeName(temporary))) {
        forgetAndRemove(temporary);
        throw writeFailure(target, ENOSPC);
    }
    const int error = existing == existingTarget::keep ? placeWithoutReplacing(temporary, targetPath)
                      : ::rename(temporary.constData(), targetPath.constData()) == 0 ? 0
                                                                                      : errno;
    if (error != 0) {
        forgetAndRemove(temporary);
        if (existing == existingTarget::keep && error == EEXIST)
            throw takenFailure(target);
        throw writeFailure(target, error);
    }
    forget(temporary);
}

// Runs the writer on fd and, when the target is replaced, brings the bytes to the disk before
// the name moves over the user's file. Returns 0 or the errno; an exception passes through.
int fillTemporary(int fd, mode_t mode, bool replacing, const fileWriter &write)
{
    ::fchmod(fd, mode);
    if (const int error = write(fd); error != 0)
        return error;
    if (replacing && ::fsync(fd) != 0)
        return errno;
    return 0;
}

// The first choice: the bytes go into a file without a name (O_TMPFILE), which gets one only
// once it is complete, so that a process killed outright (SIGKILL, a power cut) leaves nothing
// behind. False when the folder's file system cannot do that (no O_TMPFILE, no /proc): nothing
// has been written then, and the caller takes the named way.
bool writeUnnamed(const QString &target, const QByteArray &targetPath, const QString &folder, mode_t mode,
                  bool replacing, existingTarget existing, const fileWriter &write)
{
    const QByteArray where = QFile::encodeName(folder.isEmpty() ? QStringLiteral(".") : folder);
    const int fd = ::open(where.constData(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;
    int error = 0;
    try {
        error = fillTemporary(fd, mode, replacing, write);
    } catch (...) {
        ::close(fd);
        throw;
    }
    if (error != 0) {
        ::close(fd);
        throw writeFailure(target, error);
    }
    const QByteArray self = "/proc/self/fd/" + QByteArray::number(fd);
    const QByteArray temporary = namePending(folder, [&](const QByteArray &name) {
        if (::linkat(AT_FDCWD, self.constData(), AT_FDCWD, name.constData(), AT_SYMLINK_FOLLOW) == 0)
            return 0;
        const int linkError = errno;
        return ::linkat(fd, "", AT_FDCWD, name.constData(), AT_EMPTY_PATH) == 0 ? 0 : linkError;
    }, error);
    if (temporary.isEmpty()) {
        ::close(fd);
        return false;
    }
    finishTemporary(target, targetPath, temporary, fd, existing);
    return true;
}

} // namespace

void writeFileSafely(const QString &target, const fileWriter &write, existingTarget existing)
{
    const QByteArray targetPath = QFile::encodeName(target);
    const qsizetype slash = target.lastIndexOf(QLatin1Char('/'));
    const QString folder = slash >= 0 ? target.left(slash + 1) : QString();
    struct stat old {};
    const bool replacing = ::stat(targetPath.constData(), &old) == 0;
    if (existing == existingTarget::keep && (replacing || ::lstat(targetPath.constData(), &old) == 0))
        throw takenFailure(target); // taken already (a dangling link too): nothing to write
    mode_t mode;
    if (replacing) {
        mode = old.st_mode & 07777;
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    if (writeUnnamed(target, targetPath, folder, mode, replacing, existing, write))
        return;

    // Elsewhere: a hidden temporary with a name from the start, removed on failure and on the
    // signals of removeTemporaryOnSignals.
    int fd = -1, error = 0;
    const QByteArray temporary = namePending(folder, [&](const QByteArray &name) {
        fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        return fd >= 0 ? 0 : errno;
    }, error);
    if (temporary.isEmpty())
        throw writeFailure(target, error);
    try {
        error = fillTemporary(fd, mode, replacing, write);
    } catch (...) {
        ::close(fd);
        forgetAndRemove(temporary);
        throw;
    }
    if (error != 0) {
        ::close(fd);
        forgetAndRemove(temporary);
        throw writeFailure(target, error);
    }
    finishTemporary(target, targetPath, temporary, fd, existing);
}

void removeTemporaryOnSignals()
{
    // Beyond the file-size limit a write fails with EFBIG, which fails that one save.
    ::signal(SIGXFSZ, SIG_IGN);
    for (int s : {SIGINT, SIGTERM, SIGHUP}) {
        // A signal the process was started to ignore (nohup, a background job) stays ignored:
        // catching it would end a run its user asked to go on.
        struct sigaction previous {};
        if (::sigaction(s, nullptr, &previous) == 0 && previous.sa_handler == SIG_IGN)
            continue;
        struct sigaction action {};
        action.sa_handler = removePendingAndRaise;
        sigemptyset(&action.sa_mask);
        ::sigaction(s, &action, nullptr);
    }
}

void setSignalCleanup(signalCleanup cleanup)
{
    extraCleanup.store(cleanup);
}

void untrackTemporariesOfThisThread()
{
    leavesTheSlot = true;
}

QString pendingTemporary()
{
    for (int i = 0; i < pendingSlots; ++i)
        if (pendingSet[i].load() == 3)
            return QFile::decodeName(pendingName[i]);
    return QString();
}

saveFailureHook setSaveFailureHook(saveFailureHook hook)
{
    return std::exchange(failureHook(), std::move(hook));
}
