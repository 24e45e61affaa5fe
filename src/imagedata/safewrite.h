// Writing a file without ever losing the one it replaces. Where the file system allows it the
// bytes go into an unnamed file in the target's folder (O_TMPFILE), which gets a hidden name
// (".korvia-save-" + random letters, linked through /proc/self/fd) only once it is complete and is
// then renamed over the target: a process killed outright while writing leaves nothing behind.
// Elsewhere the temporary has that hidden name from the start. Either way the target is replaced
// only once the new file is completely written and on disk. A failure removes the temporary and
// names the target in its message, never the temporary. So does an interruption: once
// removeTemporaryOnSignals has run, SIGINT, SIGTERM and SIGHUP remove a named temporary of a write
// in progress before the process ends as the signal would end it.
//
// A write may also leave an existing file alone (existingTarget::keep, the batches of
// korvia-batch without --overwrite): the complete file then takes the name only if the name is
// still free at that moment (renameat2 with RENAME_NOREPLACE; where the file system cannot do
// that, a hard link, which fails on a taken name too; where it has no hard links either, the name
// is first taken by an empty file made with O_EXCL and then replaced). Another process that
// takes the name while the bytes are written keeps it.
#pragma once
#include "imageerror.h"

#include <QString>
#include <functional>

// Writes all bytes to the open file; returns 0 or the errno of the failure.
using fileWriter = std::function<int(int fd)>;

// What a write does with a file already under its name.
enum class existingTarget { replace, keep };

// Thrown by a write that keeps an existing file when the name is taken, before the write or by
// another process while it wrote; nothing of the write is left behind.
class targetTaken : public imageError {
public:
    using imageError::imageError;
};

// Writes target through a temporary as above. A new file gets mode 0666 less the umask, a
// replaced one keeps its mode. Throws imageError ("<target> に書き込めません: <system error>";
// a write beyond the file-size limit says so), targetTaken (keep only).
void writeFileSafely(const QString &target, const fileWriter &write,
                     existingTarget existing = existingTarget::replace);

// Test hook: when set, called with the temporary file's name after it has been written and
// before it is renamed over the target; returning false makes the write fail as a full disk
// would. Empty in normal use.
using saveFailureHook = std::function<bool(const QString &temporaryName)>;
saveFailureHook setSaveFailureHook(saveFailureHook hook);

// Writes size bytes to fd, going on after short writes; 0 or the errno of the failure (a write
// that makes no progress counts as a full disk).
int writeAll(int fd, const char *data, std::size_t size);

// Installs the handlers for SIGINT, SIGTERM and SIGHUP described above (the program's entry
// calls it once; the handlers only unlink a file and re-raise the signal). A signal that is
// ignored when it is called stays ignored. SIGXFSZ is ignored: a write beyond the file-size limit
// (ulimit -f) fails with EFBIG like a full disk instead of ending the process.
void removeTemporaryOnSignals();

// Also run by those handlers before the process ends: cleanup must be async-signal-safe. One at
// a time; nullptr removes it.
using signalCleanup = void (*)();
void setSignalCleanup(signalCleanup cleanup);

// For a thread whose files all lie in a folder those signals remove anyway (the undo snapshot
// writer): its temporaries leave the one slot the handlers know of to the saves of user files.
void untrackTemporariesOfThisThread();

// The temporary being written now, or empty (for tests).
QString pendingTemporary();
