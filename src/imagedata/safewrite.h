// Writing a file without ever losing the one it replaces. Where the file system allows it the
// bytes go into an unnamed file in the target's folder (O_TMPFILE), which gets a hidden name
// (".korvia-save-" + random letters, linked through /proc/self/fd) only once it is complete and is
// then renamed over the target: a process killed outright while writing leaves nothing behind.
// Elsewhere the temporary has that hidden name from the start. Either way the target is replaced
// only once the new file is completely written and on disk. A failure removes the temporary and
// names the target in its message, never the temporary. So does an interruption: once
// removeTemporaryOnSignals has run, SIGINT, SIGTERM and SIGHUP remove a named temporary of a write
// in progress before the process ends as the signal would end it.
#pragma once
#include <QString>
#include <functional>

// Writes all bytes to the open file; returns 0 or the errno of the failure.
using fileWriter = std::function<int(int fd)>;

// Writes target through a temporary as above. A new file gets mode 0666 less the umask, a
// replaced one keeps its mode. Throws imageError ("<target> に書き込めません: <system error>").
void writeFileSafely(const QString &target, const fileWriter &write);

// Writes size bytes to fd, going on after short writes; 0 or the errno of the failure (a write
// that makes no progress counts as a full disk).
int writeAll(int fd, const char *data, std::size_t size);

// Installs the handlers for SIGINT, SIGTERM and SIGHUP described above (the program's entry
// calls it once; the handlers only unlink a file and re-raise the signal). A signal that is
// ignored when it is called stays ignored.
void removeTemporaryOnSignals();

// Also run by those handlers before the process ends: cleanup must be async-signal-safe. One at
// a time; nullptr removes it.
using signalCleanup = void (*)();
void setSignalCleanup(signalCleanup cleanup);

// The temporary being written now, or empty (for tests).
QString pendingTemporary();
