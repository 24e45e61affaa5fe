// Preloaded into korvia-batch by batch_clobber.sh: another worker writing into the same folder
// takes a result's name at the last moment, between the batch's own check and the moment the
// finished temporary gets the name. Set in the environment:
//   KORVIA_TAKE_NAME=1     before a save temporary is given its target's name without replacing
//                          (renameat2 with RENAME_NOREPLACE), a file holding "taken" appears there;
//   KORVIA_NO_NOREPLACE=1  renameat2 then says the file system cannot do that (EINVAL), as NFS does;
//   KORVIA_NO_LINK=1       link says so too (EPERM), as a file system without hard links does.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>

namespace {
bool set(const char *name) { return std::getenv(name) != nullptr; }
} // namespace

extern "C" int renameat2(int fromFolder, const char *from, int toFolder, const char *to, unsigned flags)
{
    if (std::strstr(from, ".korvia-save-") && (flags & RENAME_NOREPLACE)) {
        if (set("KORVIA_TAKE_NAME")) {
            const int fd = ::open(to, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
            if (fd >= 0) {
                if (::write(fd, "taken\n", 6) != 6) std::abort();
                ::close(fd);
            }
        }
        if (set("KORVIA_NO_NOREPLACE")) {
            errno = EINVAL;
            return -1;
        }
    }
    using renameFunction = int (*)(int, const char *, int, const char *, unsigned);
    static const auto next = reinterpret_cast<renameFunction>(dlsym(RTLD_NEXT, "renameat2"));
    return next(fromFolder, from, toFolder, to, flags);
}

extern "C" int link(const char *from, const char *to)
{
    if (std::strstr(from, ".korvia-save-") && set("KORVIA_NO_LINK")) {
        errno = EPERM;
        return -1;
    }
    using linkFunction = int (*)(const char *, const char *);
    static const auto next = reinterpret_cast<linkFunction>(dlsym(RTLD_NEXT, "link"));
    return next(from, to);
}
