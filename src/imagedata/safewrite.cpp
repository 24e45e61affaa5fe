#include "safewrite.h"

#include "imageerror.h"
#include "imagefilemanager.h"

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

// The temporary of the write in progress, for the signal handler. The name is complete before
// `pendingSet` says so, and `pendingSet` is cleared only after the name has left the folder
// (renamed or removed), so the handler never removes anything but our own temporary.
char pendingName[4096];
std::atomic<int> pendingSet{0};
static_assert(std::atomic<int>::is_always_lock_free);

extern "C" void removePendingAndRaise(int signalNumber)
{
    if (pendingSet.load())
        ::unlink(pendingName);
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
    return imageError(QStringLiteral("%1 に書き込めません: %2").arg(target, systemText(error)));
}

QString randomLetters()
{
    static const char letters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    static std::mt19937_64 generator{std::random_device{}() ^ (std::uint64_t(::getpid()) << 32)};
    QString text;
    for (int i = 0; i < 10; ++i)
        text += QLatin1Char(letters[generator() % (sizeof letters - 1)]);
    return text;
}

// Creates the temporary beside the target and registers it before it exists, so that no moment
// leaves a file the handler would not know of. Returns the open descriptor.
int createPending(const QString &folder, const QString &target, QByteArray &name)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        name = QFile::encodeName(folder + QStringLiteral(".korvia-save-") + randomLetters());
        const bool tracked = std::size_t(name.size()) < sizeof pendingName && pendingSet.load() == 0;
        if (tracked) {
            std::memcpy(pendingName, name.constData(), std::size_t(name.size()) + 1);
            pendingSet.store(1);
        }
        const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        const int error = errno;
        if (fd >= 0) {
            if (!tracked)
                pendingSet.store(0); // someone else's registration stays untouched
            return fd;
        }
        if (tracked)
            pendingSet.store(0);
        if (error != EEXIST)
            throw writeFailure(target, error);
    }
    throw writeFailure(target, EEXIST);
}

void forget(const QByteArray &name)
{
    if (pendingSet.load() && std::strcmp(pendingName, name.constData()) == 0)
        pendingSet.store(0);
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

void writeFileSafely(const QString &target, const fileWriter &write)
{
    const QByteArray targetPath = QFile::encodeName(target);
    const qsizetype slash = target.lastIndexOf(QLatin1Char('/'));
    const QString folder = slash >= 0 ? target.left(slash + 1) : QString();
    QByteArray temporary;
    const int fd = createPending(folder, target, temporary);
    // The temporary leaves the folder before the signal handler forgets it.
    auto discard = [&](bool open) {
        if (open)
            ::close(fd);
        ::unlink(temporary.constData());
        forget(temporary);
    };
    auto fail = [&](int error, bool open) {
        discard(open);
        throw writeFailure(target, error);
    };
    struct stat old {};
    const bool replacing = ::stat(targetPath.constData(), &old) == 0;
    mode_t mode;
    if (replacing) {
        mode = old.st_mode & 07777;
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    ::fchmod(fd, mode);
    int error = 0;
    try {
        error = write(fd);
    } catch (...) {
        discard(true);
        throw;
    }
    if (error != 0)
        fail(error, true);
    // Data must be on disk before the name moves over a file the user already has.
    if (replacing && ::fsync(fd) != 0)
        fail(errno, true);
    if (::close(fd) != 0)
        fail(errno, false);
    if (failureHook() && !failureHook()(QFile::decodeName(temporary)))
        fail(ENOSPC, false);
    if (::rename(temporary.constData(), targetPath.constData()) != 0)
        fail(errno, false);
    forget(temporary);
}

bool flushToDisk(const QString &name)
{
    const auto sync = [](const QByteArray &path, int flags) {
        const int fd = ::open(path.constData(), flags | O_CLOEXEC);
        if (fd < 0)
            return false;
        // EINVAL: a file system that has no way to sync; nothing more can be done there.
        const bool done = ::fsync(fd) == 0 || errno == EINVAL;
        return ::close(fd) == 0 && done;
    };
    const QByteArray file = QFile::encodeName(name);
    const qsizetype slash = file.lastIndexOf('/');
    const QByteArray folder = slash > 0 ? file.left(slash) : QByteArray(slash == 0 ? "/" : ".");
    return sync(file, O_RDONLY) && sync(folder, O_RDONLY | O_DIRECTORY);
}

void removeTemporaryOnSignals()
{
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

QString pendingTemporary()
{
    return pendingSet.load() ? QFile::decodeName(pendingName) : QString();
}

saveFailureHook setSaveFailureHook(saveFailureHook hook)
{
    return std::exchange(failureHook(), std::move(hook));
}
