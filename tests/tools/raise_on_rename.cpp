// Preloaded into korvia-batch by interrupted_save.sh and batch.sh: the moment a finished save
// temporary is about to be renamed over its target (or, by a batch that keeps existing files, to
// its free name), the process gets SIGTERM, as if the user pressed Ctrl-C or the system shut down
// in the middle of a save.
#include <csignal>
#include <cstring>
#include <dlfcn.h>

extern "C" int rename(const char *from, const char *to)
{
    if (std::strstr(from, ".korvia-save-"))
        std::raise(SIGTERM);
    using renameFunction = int (*)(const char *, const char *);
    static const auto next = reinterpret_cast<renameFunction>(dlsym(RTLD_NEXT, "rename"));
    return next(from, to);
}

extern "C" int renameat2(int fromFolder, const char *from, int toFolder, const char *to, unsigned flags)
{
    if (std::strstr(from, ".korvia-save-"))
        std::raise(SIGTERM);
    using renameFunction = int (*)(int, const char *, int, const char *, unsigned);
    static const auto next = reinterpret_cast<renameFunction>(dlsym(RTLD_NEXT, "renameat2"));
    return next(fromFolder, from, toFolder, to, flags);
}
